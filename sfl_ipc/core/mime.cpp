#include "sfl_ipc/core/mime.h"

#include "sfl_ipc/core/mime_codec.h"

namespace sfl {

namespace {

// RFC 2046 allows 70 characters; longer ones are tolerated up to this size, beyond it the part is
// treated as a leaf because such a boundary is garbage, not structure.
constexpr size_t kMaxBoundary = 200;

struct raw_part {
  std::vector<header_field> fields;
  std::string_view header_block;
  std::string_view body;
};

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string to_lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = lower(c);
  return r;
}

bool equal_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

// Length of a field name ending in ':' at the start of `line`, 0 if the line is not a field.
size_t field_name_length(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && line[i] > 32 && line[i] < 127 && line[i] != ':') ++i;
  return (i > 0 && i < line.size() && line[i] == ':') ? i : 0;
}

std::string_view strip_eol(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

void finish_field(std::string* folded, header_field* field) {
  std::string decoded;
  decode_encoded_words(trim(*folded), &decoded);
  field->value = std::move(decoded);
}

// Splits a header block off `text`; the body is what follows it.
raw_part split_headers(std::string_view text, size_t max_fields) {
  raw_part part;
  std::string folded;
  bool skipping = false;
  size_t pos = 0;
  size_t body_start = text.size();
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    size_t next = (eol == std::string_view::npos) ? text.size() : eol + 1;
    std::string_view line = text.substr(pos, next - pos);
    std::string_view content = trim(line);
    if (content.empty()) {  // the separator; a line of blanks counts too, as senders pad it
      part.header_block = text.substr(0, pos);
      body_start = next;
      break;
    }
    bool continuation = (line[0] == ' ' || line[0] == '\t') && !part.fields.empty();
    size_t name_len = continuation ? 0 : field_name_length(line);
    if (!continuation && name_len == 0) {  // not a header line: the body starts here
      part.header_block = text.substr(0, pos);
      body_start = pos;
      break;
    }
    if (continuation) {
      if (!skipping) folded.append(strip_eol(line));
    } else if (part.fields.size() < max_fields) {
      if (!part.fields.empty()) finish_field(&folded, &part.fields.back());
      part.fields.push_back(header_field{to_lower(line.substr(0, name_len)), std::string()});
      folded.assign(strip_eol(line.substr(name_len + 1)));
    } else {
      skipping = true;  // fields past the limit are dropped with their continuations
    }
    pos = next;
    if (pos >= text.size()) part.header_block = text;
  }
  if (!part.fields.empty()) finish_field(&folded, &part.fields.back());
  part.body = text.substr(body_start);
  return part;
}

const std::string* find_field(const std::vector<header_field>& fields, std::string_view name) {
  for (const auto& f : fields)
    if (f.name == name) return &f.value;
  return nullptr;
}

// The value of parameter `name` in a structured field such as Content-Type, unquoted.
std::string field_param(std::string_view value, std::string_view name) {
  size_t i = value.find(';');
  while (i != std::string_view::npos && i < value.size()) {
    size_t start = i + 1;
    size_t eq = value.find('=', start);
    if (eq == std::string_view::npos) break;
    std::string_view key = trim(value.substr(start, eq - start));
    size_t v = eq + 1;
    while (v < value.size() && (value[v] == ' ' || value[v] == '\t')) ++v;
    size_t end;
    std::string_view val;
    if (v < value.size() && value[v] == '"') {
      end = value.find('"', v + 1);
      if (end == std::string_view::npos) end = value.size();
      val = value.substr(v + 1, end - v - 1);
      end = value.find(';', end);
    } else {
      end = value.find(';', v);
      val = trim(value.substr(v, end == std::string_view::npos ? std::string_view::npos : end - v));
    }
    if (equal_nocase(key, name)) return std::string(val);
    i = end;
  }
  return std::string();
}

std::string media_type(const std::vector<header_field>& fields) {
  const std::string* ct = find_field(fields, "content-type");
  if (!ct) return std::string();
  std::string_view v(*ct);
  return to_lower(trim(v.substr(0, v.find(';'))));
}

// Position of `delim` at a line start, from `from`; npos if absent.
size_t find_delimiter(std::string_view body, std::string_view delim, size_t from) {
  for (size_t p = body.find(delim, from); p != std::string_view::npos; p = body.find(delim, p + 1))
    if (p == 0 || body[p - 1] == '\n') return p;
  return std::string_view::npos;
}

std::vector<std::string_view> split_multipart(std::string_view body, const std::string& boundary,
                                              size_t max_parts) {
  std::vector<std::string_view> parts;
  std::string delim = "--" + boundary;
  size_t pos = find_delimiter(body, delim, 0);
  while (pos != std::string_view::npos && parts.size() < max_parts) {
    if (body.compare(pos + delim.size(), 2, "--") == 0) break;  // closing delimiter
    size_t start = body.find('\n', pos);
    if (start == std::string_view::npos) break;
    ++start;
    size_t next = find_delimiter(body, delim, start);
    size_t end = (next == std::string_view::npos) ? body.size() : next;
    if (end > start && body[end - 1] == '\n') --end;
    if (end > start && body[end - 1] == '\r') --end;
    parts.push_back(body.substr(start, end - start));
    pos = next;
  }
  return parts;
}

class walker {
 public:
  walker(const mime_limits& limits, parsed_message* out) : limits_(limits), out_(out) {}

  void walk(const raw_part& part, size_t depth) {
    if (leaves_ >= limits_.max_parts || depth > limits_.max_depth) {
      out_->truncated = true;
      return;
    }
    std::string type = media_type(part.fields);
    if (type.compare(0, 10, "multipart/") == 0) {
      std::string boundary = field_param(*find_field(part.fields, "content-type"), "boundary");
      if (!boundary.empty() && boundary.size() <= kMaxBoundary) {
        for (std::string_view sub : split_multipart(part.body, boundary, limits_.max_parts))
          walk(split_headers(sub, limits_.max_fields), depth + 1);
        return;
      }
      type.clear();  // a multipart without a usable boundary is read as plain text
    }
    if (type == "message/rfc822") {
      raw_part inner = split_headers(part.body, limits_.max_fields);
      if (const std::string* subject = find_field(inner.fields, "subject")) append_text(*subject);
      walk(inner, depth + 1);
      return;
    }
    ++leaves_;
    out_->part_types.push_back(type.empty() ? "text/plain" : type);
    if (type.empty() || type.compare(0, 5, "text/") == 0) decode_text(part, type == "text/html");
  }

 private:
  void decode_text(const raw_part& part, bool html) {
    const std::string* cte = find_field(part.fields, "content-transfer-encoding");
    std::string decoded;
    std::string_view text = part.body;
    if (cte && equal_nocase(trim(*cte), "base64")) {
      decode_base64(text, &decoded);
      text = decoded;
    } else if (cte && equal_nocase(trim(*cte), "quoted-printable")) {
      decode_quoted_printable(text, false, &decoded);
      text = decoded;
    }
    if (!html) {
      append_text(text);
      return;
    }
    std::string plain;
    html_to_text(text, &plain);
    append_text(plain);
  }

  void append_text(std::string_view text) {
    std::string& body = out_->body_text;
    size_t room = limits_.max_body_text > body.size() ? limits_.max_body_text - body.size() : 0;
    if (text.size() > room) out_->truncated = true;
    if (!body.empty() && room > 0) {
      body.push_back('\n');
      --room;
    }
    body.append(text.substr(0, room));
  }

  const mime_limits& limits_;
  parsed_message* out_;
  size_t leaves_ = 0;
};

// The mbox envelope line "From sender date" is not a header; drop it.
std::string_view skip_envelope(std::string_view raw) {
  if (raw.compare(0, 5, "From ") != 0) return raw;
  size_t eol = raw.find('\n');
  return eol == std::string_view::npos ? std::string_view() : raw.substr(eol + 1);
}

}  // namespace

std::vector<std::string> parsed_message::values(std::string_view name) const {
  std::vector<std::string> r;
  for (const auto& f : fields)
    if (equal_nocase(f.name, name)) r.push_back(f.value);
  return r;
}

std::string parsed_message::part_text(message_part part) const {
  static const char* const names[] = {"", "subject", "from", "to", "cc", "bcc", ""};
  if (part == message_part::header_block) return header_block;
  if (part == message_part::body) return body_text;
  std::string joined;
  for (const std::string& v : values(names[static_cast<int>(part)])) {
    if (!joined.empty()) joined.push_back('\n');
    joined += v;
  }
  return joined;
}

parsed_message parse_message(std::string_view raw, const mime_limits& limits) {
  parsed_message msg;
  if (raw.size() > limits.max_examined) {
    raw = raw.substr(0, limits.max_examined);
    msg.truncated = true;
  }
  raw_part top = split_headers(skip_envelope(raw), limits.max_fields);
  msg.header_block = std::string(top.header_block);
  msg.fields = top.fields;
  walker(limits, &msg).walk(top, 0);
  return msg;
}

}  // namespace sfl
