#include "sfl_ipc/core/mime_codec.h"

#include <cstdint>

namespace sfl {

namespace {

int base64_value(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

int hex_value(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

unsigned char lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

bool is_alpha(unsigned char c) { return lower(c) >= 'a' && lower(c) <= 'z'; }

bool starts_with_nocase(std::string_view s, size_t at, std::string_view prefix) {
  if (at > s.size() || s.size() - at < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (lower(s[at + i]) != lower(prefix[i])) return false;
  return true;
}

void append_utf8(uint32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// One encoded-word starting at `at` ("=?"); on success appends its bytes and sets *end past "?=".
bool decode_one_word(std::string_view in, size_t at, std::string* out, size_t* end) {
  size_t q1 = in.find('?', at + 2);
  if (q1 == std::string_view::npos || q1 + 3 >= in.size() || in[q1 + 2] != '?') return false;
  unsigned char enc = lower(in[q1 + 1]);
  if (enc != 'b' && enc != 'q') return false;
  size_t text = q1 + 3;
  size_t close = in.find("?=", text);
  if (close == std::string_view::npos) return false;
  // An encoded-word holds no whitespace; a space before "?=" means this is not one.
  for (size_t i = at; i < close; ++i)
    if (in[i] == ' ' || in[i] == '\t' || in[i] == '\n' || in[i] == '\r') return false;
  if (enc == 'b')
    decode_base64(in.substr(text, close - text), out);
  else
    decode_quoted_printable(in.substr(text, close - text), true, out);
  *end = close + 2;
  return true;
}

bool decode_entity(std::string_view in, size_t at, std::string* out, size_t* end) {
  static constexpr size_t kMaxEntity = 10;
  size_t semi = in.find(';', at + 1);
  if (semi == std::string_view::npos || semi - at > kMaxEntity || semi == at + 1) return false;
  std::string_view name = in.substr(at + 1, semi - at - 1);
  uint32_t cp = 0;
  if (name[0] == '#') {
    bool hex = name.size() > 1 && lower(name[1]) == 'x';
    size_t i = hex ? 2 : 1;
    if (i >= name.size()) return false;
    for (; i < name.size(); ++i) {
      int d = hex ? hex_value(name[i]) : (name[i] >= '0' && name[i] <= '9' ? name[i] - '0' : -1);
      if (d < 0) return false;
      cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(d);
      if (cp > 0x10FFFF) return false;
    }
  } else {
    static const struct {
      const char* name;
      uint32_t cp;
    } named[] = {{"amp", '&'},  {"lt", '<'},    {"gt", '>'},   {"quot", '"'},    {"apos", '\''},
                 {"nbsp", ' '}, {"copy", 0xA9}, {"reg", 0xAE}, {"euro", 0x20AC}, {"pound", 0xA3}};
    bool found = false;
    for (const auto& e : named) {
      if (name.size() == std::char_traits<char>::length(e.name) && starts_with_nocase(name, 0, e.name)) {
        cp = e.cp;
        found = true;
        break;
      }
    }
    if (!found) return false;
  }
  if (cp == 0) cp = ' ';  // a NUL in text would only cut names short downstream
  append_utf8(cp, out);
  *end = semi + 1;
  return true;
}

// Copies the quoted or bare value of every href= / src= attribute of one tag's text.
void copy_link_values(std::string_view tag, std::string* out) {
  for (size_t i = 0; i < tag.size(); ++i) {
    size_t skip = 0;
    if (starts_with_nocase(tag, i, "href="))
      skip = 5;
    else if (starts_with_nocase(tag, i, "src="))
      skip = 4;
    if (!skip || (i > 0 && is_alpha(tag[i - 1]))) continue;
    size_t v = i + skip;
    char quote = (v < tag.size() && (tag[v] == '"' || tag[v] == '\'')) ? tag[v] : 0;
    if (quote) ++v;
    size_t e = v;
    while (e < tag.size() && (quote ? tag[e] != quote : (tag[e] != ' ' && tag[e] != '>'))) ++e;
    out->push_back(' ');
    out->append(tag.substr(v, e - v));
    out->push_back(' ');
    i = e;
  }
}

// Finds `needle` case-insensitively from `from`; npos if absent.
size_t find_nocase(std::string_view hay, size_t from, std::string_view needle) {
  for (size_t i = hay.find('<', from); i != std::string_view::npos; i = hay.find('<', i + 1))
    if (starts_with_nocase(hay, i, needle)) return i;
  return std::string_view::npos;
}

}  // namespace

void decode_base64(std::string_view in, std::string* out) {
  uint32_t acc = 0;
  int bits = 0;
  for (unsigned char c : in) {
    if (c == '=') break;
    int v = base64_value(c);
    if (v < 0) continue;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out->push_back(static_cast<char>((acc >> bits) & 0xFF));
    }
  }
}

void decode_quoted_printable(std::string_view in, bool header_mode, std::string* out) {
  for (size_t i = 0; i < in.size(); ++i) {
    char c = in[i];
    if (header_mode && c == '_') {
      out->push_back(' ');
    } else if (c == '=' && i + 2 < in.size() && hex_value(in[i + 1]) >= 0 && hex_value(in[i + 2]) >= 0) {
      out->push_back(static_cast<char>(hex_value(in[i + 1]) * 16 + hex_value(in[i + 2])));
      i += 2;
    } else if (c == '=' && i + 1 < in.size() && (in[i + 1] == '\n' || in[i + 1] == '\r')) {
      // Soft line break: drop "=" and the line end (CRLF or LF).
      i += (in[i + 1] == '\r' && i + 2 < in.size() && in[i + 2] == '\n') ? 2 : 1;
    } else {
      out->push_back(c);
    }
  }
}

void decode_encoded_words(std::string_view in, std::string* out) {
  if (in.find("=?") == std::string_view::npos) {  // most fields hold none: copy at memcpy speed
    out->append(in);
    return;
  }
  size_t pending_space = 0;  // whitespace held back after an encoded-word
  bool after_word = false;
  size_t i = 0;
  while (i < in.size()) {
    size_t end = 0;
    if (in[i] == '=' && i + 1 < in.size() && in[i + 1] == '?') {
      size_t before = out->size();
      if (decode_one_word(in, i, out, &end)) {
        // Drop the whitespace between two adjacent encoded-words; keep it otherwise.
        if (!after_word && pending_space) out->insert(before, in.substr(i - pending_space, pending_space));
        pending_space = 0;
        after_word = true;
        i = end;
        continue;
      }
    }
    if (in[i] == ' ' || in[i] == '\t') {
      ++pending_space;
      ++i;
      continue;
    }
    if (pending_space) out->append(in.substr(i - pending_space, pending_space));
    pending_space = 0;
    after_word = false;
    out->push_back(in[i]);
    ++i;
  }
  if (pending_space) out->append(in.substr(in.size() - pending_space, pending_space));
}

namespace {

bool is_tag_start(std::string_view in, size_t i) {
  if (in[i] != '<' || i + 1 >= in.size()) return false;
  unsigned char n = in[i + 1];
  return is_alpha(n) || n == '/' || n == '!' || n == '?';
}

// Consumes the tag (or comment) at `i` and returns the position after it, after the contents
// too for script and style; npos when no tag can close any more. `next_gt` caches the position
// of the next '>', which keeps the whole scan linear.
size_t consume_tag(std::string_view in, size_t i, size_t* next_gt, std::string* out) {
  out->push_back(' ');
  if (in.compare(i, 4, "<!--") == 0) {
    size_t e = in.find("-->", i + 4);
    return (e == std::string_view::npos) ? in.size() : e + 3;
  }
  if (*next_gt != std::string_view::npos && *next_gt <= i) *next_gt = in.find('>', i + 1);
  if (*next_gt == std::string_view::npos) return std::string_view::npos;
  std::string_view tag = in.substr(i + 1, *next_gt - i - 1);
  copy_link_values(tag, out);
  size_t after = *next_gt + 1;
  for (std::string_view raw_text : {std::string_view("script"), std::string_view("style")}) {
    if (!starts_with_nocase(tag, 0, raw_text)) continue;
    size_t e = find_nocase(in, after, "</" + std::string(raw_text));
    return (e == std::string_view::npos) ? in.size() : e;
  }
  return after;
}

}  // namespace

void html_to_text(std::string_view in, std::string* out) {
  size_t next_gt = 0;
  size_t i = 0;
  while (i < in.size()) {
    size_t end = 0;
    if (in[i] == '&' && decode_entity(in, i, out, &end)) {
      i = end;
    } else if (is_tag_start(in, i)) {
      size_t after = consume_tag(in, i, &next_gt, out);
      if (after == std::string_view::npos) {  // an unclosed '<': the rest is text
        out->pop_back();
        out->append(in.substr(i));
        return;
      }
      i = after;
    } else {
      out->push_back(in[i++]);
    }
  }
}

}  // namespace sfl
