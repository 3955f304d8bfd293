#include "host/mail_source.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>

namespace {

// mbox files are read in chunks of this size; only one chunk is held at a time.
constexpr size_t kScanChunk = 1 << 20;
// Standard input is read in steps of this size.
constexpr size_t kStreamChunk = 1 << 16;
// An envelope line is short; longer lines are kept only this far for the check.
constexpr size_t kMaxEnvelopeLine = 1024;
// Folders nested deeper than this (a link loop, most likely) are not followed.
constexpr int kMaxFolderDepth = 64;

#ifdef _WIN32
constexpr char kSeparator = '\\';
typedef struct _stat64 stat_info;
int stat_path(const char* path, stat_info* st) { return _stat64(path, st); }
int stat_file(FILE* f, stat_info* st) { return _fstat64(_fileno(f), st); }
int seek_to(FILE* f, uint64_t offset) { return _fseeki64(f, static_cast<int64_t>(offset), SEEK_SET); }
#else
constexpr char kSeparator = '/';
typedef struct stat stat_info;
int stat_path(const char* path, stat_info* st) { return stat(path, st); }
int stat_file(FILE* f, stat_info* st) { return fstat(fileno(f), st); }
int seek_to(FILE* f, uint64_t offset) { return fseeko(f, static_cast<off_t>(offset), SEEK_SET); }
#endif

bool is_folder(const stat_info& st) { return (st.st_mode & S_IFMT) == S_IFDIR; }
bool is_regular(const stat_info& st) { return (st.st_mode & S_IFMT) == S_IFREG; }

struct file_closer {
  void operator()(FILE* f) const { std::fclose(f); }
};
typedef std::unique_ptr<FILE, file_closer> file_ptr;

file_ptr open_binary(const std::string& path) { return file_ptr(std::fopen(path.c_str(), "rb")); }

std::string join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder + name;
  return folder + kSeparator + name;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool has_clock(const char* s, size_t n) {
  for (size_t i = 2; i + 2 < n; ++i)
    if (s[i] == ':' && is_digit(s[i - 1]) && is_digit(s[i - 2]) && is_digit(s[i + 1]) && is_digit(s[i + 2]))
      return true;
  return false;
}

// Follows the lines of an mbox file and records where each message starts and ends.
class mbox_splitter {
 public:
  void feed(const char* data, size_t n, uint64_t position);
  void finish(uint64_t file_size, std::vector<byte_range>* out);

 private:
  struct envelope {
    uint64_t line_start, body_start, separator;  // separator: the empty line before it, in bytes
  };
  void end_line(uint64_t next);

  std::vector<envelope> envelopes_;
  std::string prefix_;  // the current line's first kMaxEnvelopeLine bytes
  uint64_t line_start_ = 0;
  uint64_t line_length_ = 0;
  bool previous_empty_ = false;
  uint64_t previous_length_ = 0;
};

void mbox_splitter::feed(const char* data, size_t n, uint64_t position) {
  size_t i = 0;
  while (i < n) {
    const void* nl = std::memchr(data + i, '\n', n - i);
    size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - data) : n;
    if (prefix_.size() < kMaxEnvelopeLine)
      prefix_.append(data + i, std::min(end - i, kMaxEnvelopeLine - prefix_.size()));
    line_length_ += end - i;
    if (!nl) return;
    end_line(position + end + 1);
    i = end + 1;
  }
}

void mbox_splitter::end_line(uint64_t next) {
  size_t shown = prefix_.size();
  if (shown > 0 && prefix_[shown - 1] == '\r' && line_length_ == shown) --shown;
  bool empty = line_length_ == 0 || (line_length_ == 1 && prefix_[0] == '\r');
  bool first = line_start_ == 0;
  if ((first || previous_empty_) && is_envelope_line(prefix_.data(), shown, first))
    envelopes_.push_back({line_start_, next, first ? 0 : previous_length_});
  previous_empty_ = empty;
  previous_length_ = next - line_start_;
  line_start_ = next;
  line_length_ = 0;
  prefix_.clear();
}

void mbox_splitter::finish(uint64_t file_size, std::vector<byte_range>* out) {
  if (line_length_ > 0) end_line(file_size);  // a last line without a line end
  // Writers end each message of a real mbox with an empty line; it belongs to the format.
  uint64_t tail = envelopes_.size() >= 2 && previous_empty_ ? previous_length_ : 0;
  for (size_t k = 0; k < envelopes_.size(); ++k) {
    uint64_t start = envelopes_[k].body_start;
    uint64_t end = k + 1 < envelopes_.size() ? envelopes_[k + 1].line_start - envelopes_[k + 1].separator
                                             : file_size - tail;
    out->push_back({start, end > start ? end - start : 0});
  }
}

bool starts_with_envelope(const std::string& path) {
  file_ptr f = open_binary(path);
  char head[5];
  return f && std::fread(head, 1, sizeof(head), f.get()) == sizeof(head) &&
         std::memcmp(head, "From ", 5) == 0;
}

bool add_file(const std::string& path, std::vector<message_ref>* out, std::string* error) {
  if (!starts_with_envelope(path)) {
    out->push_back({path, path, true, 0, 0, message_label::none});
    return true;
  }
  file_ptr f = open_binary(path);
  std::vector<byte_range> ranges;
  if (!f || !scan_mbox(f.get(), &ranges)) {
    *error = "cannot read " + path;
    return false;
  }
  // A single message file with its envelope line, as the public corpus stores them.
  if (ranges.size() == 1) {
    out->push_back({path, path, true, 0, 0, message_label::none});
    return true;
  }
  for (size_t k = 0; k < ranges.size(); ++k)
    out->push_back({path, path + "#" + std::to_string(k + 1), false, ranges[k].offset, ranges[k].size,
                    message_label::none});
  return true;
}

bool walk_folder(const std::string& folder, message_label label, int depth, std::vector<message_ref>* out,
                 std::string* error) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    *error = "cannot list " + folder;
    return false;
  }
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    // Dot names are the tools' own (".complete" markers, a ".pkg" download beside a corpus), not mail.
    if (!name.empty() && name[0] != '.') names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    std::string path = join(folder, name);
    stat_info st;
    if (stat_path(path.c_str(), &st) != 0) continue;  // vanished since it was listed
    if (is_folder(st) && depth < kMaxFolderDepth) {
      if (!walk_folder(path, label, depth + 1, out, error)) return false;
    } else if (is_regular(st)) {
      out->push_back({path, path, true, 0, 0, label});
    }
  }
  return true;
}

void trim(std::string* s) {
  size_t b = s->find_first_not_of(" \t\r\n");
  size_t e = s->find_last_not_of(" \t\r\n");
  *s = b == std::string::npos ? std::string() : s->substr(b, e - b + 1);
}

}  // namespace

bool is_envelope_line(const char* line, size_t size, bool first_line) {
  if (size < 5 || std::memcmp(line, "From ", 5) != 0) return false;
  if (first_line) return true;
  size_t i = 5;
  while (i < size && line[i] != ' ' && line[i] != '\t') ++i;  // the sender
  return i > 5 && i < size && has_clock(line + i, size - i);
}

size_t envelope_length(const char* data, size_t size) {
  if (size < 5 || std::memcmp(data, "From ", 5) != 0) return 0;
  const void* nl = std::memchr(data, '\n', size);
  return nl ? static_cast<size_t>(static_cast<const char*>(nl) - data) + 1 : size;
}

bool scan_mbox(FILE* file, std::vector<byte_range>* out) {
  out->clear();
  std::vector<char> chunk(kScanChunk);
  mbox_splitter splitter;
  uint64_t position = 0;
  for (;;) {
    size_t n = std::fread(chunk.data(), 1, chunk.size(), file);
    splitter.feed(chunk.data(), n, position);
    position += n;
    if (n < chunk.size()) break;
  }
  if (std::ferror(file)) return false;
  splitter.finish(position, out);
  return true;
}

bool collect_folder(const std::string& folder, message_label label, std::vector<message_ref>* out,
                    std::string* error) {
  return walk_folder(folder, label, 0, out, error);
}

bool collect_messages(const std::vector<std::string>& args, std::vector<message_ref>* out,
                      std::string* error) {
  for (const std::string& arg : args) {
    if (arg == kStandardInput) {
      out->push_back({arg, "(stdin)", true, 0, 0, message_label::none});
      continue;
    }
    stat_info st;
    if (stat_path(arg.c_str(), &st) != 0) {
      *error = "no such file or folder: " + arg;
      return false;
    }
    bool ok =
        is_folder(st) ? collect_folder(arg, message_label::none, out, error) : add_file(arg, out, error);
    if (!ok) return false;
  }
  return true;
}

bool read_index(const std::string& index, const std::string& root, std::vector<message_ref>* out,
                std::string* error) {
  file_ptr f = open_binary(index);
  if (!f) {
    *error = "cannot read " + index;
    return false;
  }
  std::string line;
  int number = 0;
  for (int c = 0; c != EOF;) {
    line.clear();
    while ((c = std::fgetc(f.get())) != EOF && c != '\n') line.push_back(static_cast<char>(c));
    ++number;
    trim(&line);
    if (line.empty()) continue;
    size_t space = line.find_first_of(" \t");
    std::string label = line.substr(0, space);
    std::string rel = space == std::string::npos ? std::string() : line.substr(space + 1);
    trim(&rel);
    if ((label != "spam" && label != "ham") || rel.empty()) {
      *error = index + ":" + std::to_string(number) + ": expected 'spam|ham path'";
      return false;
    }
    out->push_back(
        {join(root, rel), rel, true, 0, 0, label == "spam" ? message_label::spam : message_label::ham});
  }
  return true;
}

bool message_reader::read_stream(FILE* in, std::string* error) {
  file_time_ = static_cast<int64_t>(std::time(nullptr));  // the message arrives now
  size_t got = 0;
  for (;;) {
    if (buffer_.size() < got + kStreamChunk) buffer_.resize(got + kStreamChunk);
    size_t n = std::fread(buffer_.data() + got, 1, kStreamChunk, in);
    got += n;
    if (got > kMaxMessageSize) {
      *error = "the message on standard input is larger than 2 GB";
      return false;
    }
    if (n < kStreamChunk) break;
  }
  if (std::ferror(in)) {
    *error = "cannot read standard input";
    return false;
  }
  begin_ = envelope_length(buffer_.data(), got);
  size_ = got - begin_;
  return true;
}

bool message_reader::read(const message_ref& message, std::string* error, FILE* in) {
  begin_ = size_ = 0;
  if (message.path == kStandardInput) return read_stream(in ? in : stdin, error);
  file_ptr f = open_binary(message.path);
  stat_info st;
  if (!f || stat_file(f.get(), &st) != 0) {
    *error = "cannot read " + message.path;
    return false;
  }
  file_time_ = static_cast<int64_t>(st.st_mtime);
  uint64_t want = message.whole_file ? static_cast<uint64_t>(st.st_size) : message.size;
  if (want > kMaxMessageSize) {
    *error = message.name + " is larger than 2 GB";
    return false;
  }
  if (!message.whole_file && seek_to(f.get(), message.offset) != 0) {
    *error = "cannot read " + message.name;
    return false;
  }
  if (buffer_.size() < want) buffer_.resize(static_cast<size_t>(want));
  size_t got = std::fread(buffer_.data(), 1, static_cast<size_t>(want), f.get());
  if (std::ferror(f.get())) {
    *error = "cannot read " + message.name;
    return false;
  }
  // A file that shrank since it was listed is taken as it is now.
  begin_ = message.whole_file ? envelope_length(buffer_.data(), got) : 0;
  size_ = got - begin_;
  return true;
}
