// Where messages come from: single message files, folders of them, mbox files, and the benchmark's
// index files. Free of Win32, so that it also builds natively under the sanitizers.
//
// A message handed to the plug-in is the bytes of one message as the mail client stores it, without
// the mbox envelope line ("From sender date"): the client never hands that line over, and a
// classifier trained here must see what it will see in the client.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum class message_label { none, spam, ham };

struct message_ref {
  std::string path;        // the file that holds the message
  std::string name;        // what reports show; "path#N" for the N-th message of an mbox
  bool whole_file = true;  // a file of its own: read it all, minus an envelope line
  uint64_t offset = 0;     // otherwise the message's bytes within the file
  uint64_t size = 0;
  message_label label = message_label::none;
};

// The mbox envelope line that starts a message: "From " at the start of the file, or "From ", a
// sender and a date with a clock time after an empty line. The clock keeps a body line such as
// "From home recordings to ..." from splitting a message.
bool is_envelope_line(const char* line, size_t size, bool first_line);

// Offset of the first byte after an envelope line at the start of data, or 0 without one.
size_t envelope_length(const char* data, size_t size);

// Splits an mbox file into the byte ranges of its messages (envelope lines and the empty line that
// separates messages left out), reading it in chunks. False when the file cannot be read.
struct byte_range {
  uint64_t offset = 0;
  uint64_t size = 0;
};
bool scan_mbox(FILE* file, std::vector<byte_range>* out);

// Each argument is a message file, a folder (every regular file below it, recursively, in sorted
// order, each one message; names that begin with a dot are left out), an mbox file (a file that begins with
// "From ") or "-", one message on standard input. False, with error naming the argument, when one
// cannot be read.
constexpr char kStandardInput[] = "-";
bool collect_messages(const std::vector<std::string>& args, std::vector<message_ref>* out,
                      std::string* error);
bool collect_folder(const std::string& folder, message_label label, std::vector<message_ref>* out,
                    std::string* error);

// An index file: lines "spam|ham relative/path", the paths relative to root. Names are the paths as
// the index gives them, so that a results file matches the index.
bool read_index(const std::string& index, const std::string& root, std::vector<message_ref>* out,
                std::string* error);

// Reads one message at a time into a buffer it reuses; the view is valid until the next read.
class message_reader {
 public:
  // A message whose path is kStandardInput is read from in (standard input unless given): all of it,
  // minus an envelope line, its time the time of reading.
  bool read(const message_ref& message, std::string* error, FILE* in = nullptr);
  const char* data() const { return buffer_.data() + begin_; }
  size_t size() const { return size_; }
  // Last write time of the message's file, seconds since 1970 (UTC); 0 when unknown.
  int64_t file_time() const { return file_time_; }

 private:
  std::vector<char> buffer_;
  size_t begin_ = 0;
  size_t size_ = 0;
  int64_t file_time_ = 0;

  bool read_stream(FILE* in, std::string* error);
};

// A message the host cannot hand over: the data callback counts in signed 32 bits.
constexpr uint64_t kMaxMessageSize = 0x7FFFFFFE;
