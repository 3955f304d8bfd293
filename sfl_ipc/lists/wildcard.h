// The pattern language of "matches" rules: wildcards as in file names.
//   *        any run of characters, also none
//   ?        exactly one character
//   [abc]    one of the listed characters; ranges as [a-z]; [!abc] or [^abc] any other character
//   \x       the character x itself (to match a literal *, ?, [ or \)
// The pattern must match the whole text of the message part: "*offer*" finds "offer" anywhere.
// Matching simulates all pattern positions at once, so its time is the text length times the pattern
// length whatever either holds: no pattern can make it backtrack.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace sfl {

class wildcard {
 public:
  // An unterminated set or a trailing backslash is taken literally.
  explicit wildcard(std::string_view pattern, bool nocase);
  bool matches(std::string_view text) const;

 private:
  enum kind : uint8_t { kLiteral, kAny, kStar, kSet };
  struct token {
    kind k;
    uint8_t literal;
    uint64_t set[4];  // 256 bits
  };
  bool accepts(const token& t, uint8_t c) const;
  void close(std::vector<uint8_t>& states) const;

  std::vector<token> tokens_;
  bool nocase_;
};

}  // namespace sfl
