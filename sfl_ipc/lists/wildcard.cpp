#include "sfl_ipc/lists/wildcard.h"

#include <cstring>

namespace sfl {

namespace {
uint8_t fold(uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c; }

void set_bit(uint64_t* set, uint8_t c) { set[c >> 6] |= uint64_t(1) << (c & 63); }
bool has_bit(const uint64_t* set, uint8_t c) { return (set[c >> 6] >> (c & 63)) & 1; }

// Parses "[...]" starting at i (on the '['); returns the index after ']' or 0 when unterminated.
size_t parse_set(std::string_view p, size_t i, uint64_t* set, bool nocase) {
  size_t j = i + 1;
  bool negate = j < p.size() && (p[j] == '!' || p[j] == '^');
  if (negate) ++j;
  uint64_t bits[4] = {0, 0, 0, 0};
  bool first = true;
  for (; j < p.size(); ++j) {
    if (p[j] == ']' && !first) break;
    first = false;
    uint8_t lo = static_cast<uint8_t>(p[j]);
    uint8_t hi = lo;
    if (j + 2 < p.size() && p[j + 1] == '-' && p[j + 2] != ']') {
      hi = static_cast<uint8_t>(p[j + 2]);
      j += 2;
    }
    for (unsigned c = lo; c <= hi; ++c) {
      uint8_t ch = static_cast<uint8_t>(c);
      set_bit(bits, nocase ? fold(ch) : ch);
    }
  }
  if (j >= p.size()) return 0;
  for (int w = 0; w < 4; ++w) set[w] = negate ? ~bits[w] : bits[w];
  return j + 1;
}
}  // namespace

wildcard::wildcard(std::string_view p, bool nocase) : nocase_(nocase) {
  for (size_t i = 0; i < p.size();) {
    token t{};
    char c = p[i];
    if (c == '*') {
      t.k = kStar;
      ++i;
      if (!tokens_.empty() && tokens_.back().k == kStar) continue;  // ** is *
    } else if (c == '?') {
      t.k = kAny;
      ++i;
    } else if (c == '[') {
      size_t after = parse_set(p, i, t.set, nocase);
      if (after) {
        t.k = kSet;
        i = after;
      } else {
        t.k = kLiteral;
        t.literal = '[';
        ++i;
      }
    } else {
      if (c == '\\' && i + 1 < p.size()) ++i;
      t.k = kLiteral;
      uint8_t lit = static_cast<uint8_t>(p[i]);
      t.literal = nocase ? fold(lit) : lit;
      ++i;
    }
    tokens_.push_back(t);
  }
}

bool wildcard::accepts(const token& t, uint8_t c) const {
  if (nocase_) c = fold(c);
  switch (t.k) {
    case kLiteral: return t.literal == c;
    case kAny: return true;
    case kSet: return has_bit(t.set, c);
    default: return false;
  }
}

// A star also matches nothing: a state before a star reaches the state after it.
void wildcard::close(std::vector<uint8_t>& states) const {
  for (size_t i = 0; i < tokens_.size(); ++i)
    if (states[i] && tokens_[i].k == kStar) states[i + 1] = 1;
}

bool wildcard::matches(std::string_view text) const {
  const size_t m = tokens_.size();
  std::vector<uint8_t> now(m + 1, 0), next(m + 1, 0);
  now[0] = 1;
  close(now);
  for (unsigned char c : text) {
    std::fill(next.begin(), next.end(), 0);
    bool any = false;
    for (size_t i = 0; i < m; ++i) {
      if (!now[i]) continue;
      if (tokens_[i].k == kStar) {
        next[i] = 1;
        any = true;
      } else if (accepts(tokens_[i], c)) {
        next[i + 1] = 1;
        any = true;
      }
    }
    if (!any) return false;
    close(next);
    now.swap(next);
  }
  return now[m] != 0;
}

}  // namespace sfl
