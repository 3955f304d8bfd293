#include "rules/list_format.h"

#include "rules/rule_entry.h"

namespace {

constexpr char kMarker = '#';
constexpr char kEscape = '\\';
constexpr char kLineEnd[] = "\r\n";

bool is_separator(char c) { return c == '\r' || c == '\n'; }
bool is_blank(char c) { return c == ' ' || c == '\t'; }

// The reader removes one escape only where it can stand for a name that begins with the marker.
bool starts_escaped(const char* s, size_t size) {
  return size >= 2 && s[0] == kEscape && (s[1] == kMarker || s[1] == kEscape);
}

void read_line(const char* line, size_t size, text& pending, const list_rule_sink& sink) {
  size_t pos = 0;
  while (pos < size && is_blank(line[pos])) ++pos;
  const char* rest = line + pos;
  size_t n = size - pos;
  if (n == 0) {
    pending.clear();
    return;
  }
  if (rest[0] != kMarker) {
    sink(pending, rest, n, false);
    pending.clear();
    return;
  }
  if (n >= 2 && rest[1] == kMarker) {
    if (n == 2) return;  // a disabled marker with no rule: nothing to add
    sink(pending, rest + 2, n - 2, true);
    pending.clear();
    return;
  }
  size_t skip = starts_escaped(rest + 1, n - 1) ? 2 : 1;
  pending.assign(rest + skip, n - skip);
}

// Line breaks inside a field would split its line; they are written as spaces.
void append_line_text(const char* s, size_t size, std::string& out) {
  size_t start = out.size();
  out.append(s, size);
  for (size_t i = start; i < out.size(); ++i) {
    if (is_separator(out[i])) out[i] = ' ';
  }
}

void append_name_line(const text& name, std::string& out) {
  out.push_back(kMarker);
  const char* s = name.c_str();
  if (name.size() > 0 && (s[0] == kMarker || starts_escaped(s, name.size()))) out.push_back(kEscape);
  append_line_text(s, name.size(), out);
  out.append(kLineEnd);
}

}  // namespace

void read_list_lines(const char* data, size_t size, const list_rule_sink& sink) {
  text pending;
  size_t pos = 0;
  while (pos < size) {
    while (pos < size && is_separator(data[pos])) ++pos;
    if (pos == size) break;
    size_t start = pos;
    while (pos < size && !is_separator(data[pos])) ++pos;
    read_line(data + start, pos - start, pending, sink);
  }
}

void append_list_entry(const rule_entry& entry, bool first, std::string& out) {
  if (!first) out.append(kLineEnd);
  append_name_line(entry.name, out);
  // A rule that failed to parse is written as the user wrote it, so nothing of it is lost.
  bool disabled = entry.failed() ? entry.original_disabled : !entry.enabled;
  if (disabled) out.append(2, kMarker);
  if (entry.failed()) {
    append_line_text(entry.original_text.c_str(), entry.original_text.size(), out);
  } else {
    text line = rule_line_text(entry);
    append_line_text(line.c_str(), line.size(), out);
  }
  out.append(kLineEnd);
}
