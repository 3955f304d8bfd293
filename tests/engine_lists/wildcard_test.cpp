// The wildcard language of "matches" rules: a table of patterns against texts, and a pattern that
// would make a backtracking matcher run for ages.
#include <gtest/gtest.h>

#include <string>

#include "sfl_ipc/lists/wildcard.h"

namespace {

struct wildcard_case {
  const char* pattern;
  const char* text;
  bool nocase;
  bool expected;
};

const wildcard_case kCases[] = {
    // whole-text anchoring
    {"abc", "abc", false, true},
    {"abc", "abcd", false, false},
    {"abc", "xabc", false, false},
    {"", "", false, true},
    {"", "a", false, false},
    {"a", "", false, false},
    // star
    {"*", "", false, true},
    {"*", "anything at all", false, true},
    {"*offer*", "a special offer today", false, true},
    {"*offer*", "a special offe", false, false},
    {"a*b", "ab", false, true},
    {"a*b", "axxxb", false, true},
    {"a*b", "axxxbc", false, false},
    {"a**b", "ab", false, true},
    {"*@example.com", "alice@example.com", false, true},
    {"*@example.com", "alice@example.com.evil", false, false},
    // question mark: exactly one character
    {"?", "", false, false},
    {"?", "x", false, true},
    {"?", "xy", false, false},
    {"a?c", "abc", false, true},
    {"a?c", "ac", false, false},
    {"*?", "", false, false},
    {"*?", "z", false, true},
    // sets, ranges, negation
    {"[abc]", "b", false, true},
    {"[abc]", "d", false, false},
    {"[a-c]x", "bx", false, true},
    {"[a-c]x", "dx", false, false},
    {"[0-9][0-9]%", "42%", false, true},
    {"[0-9][0-9]%", "4x%", false, false},
    {"[!abc]", "d", false, true},
    {"[!abc]", "a", false, false},
    {"[^abc]", "d", false, true},
    {"[^abc]", "c", false, false},
    {"[]]", "]", false, true},
    {"[!]]", "]", false, false},
    {"[!]]", "x", false, true},
    {"[a-]", "-", false, true},
    {"[z-a]", "m", false, false},
    {"[\x80-\xff]", "\xe9", false, true},
    {"[\x80-\xff]", "e", false, false},
    // escapes
    {"\\*", "*", false, true},
    {"\\*", "x", false, false},
    {"\\?", "?", false, true},
    {"\\?", "x", false, false},
    {"\\[a]", "[a]", false, true},
    {"\\[a]", "a", false, false},
    {"\\\\", "\\", false, true},
    {"a\\", "a\\", false, true},    // a trailing backslash is itself
    {"[abc", "[abc", false, true},  // an unterminated set is literal
    {"[abc", "a", false, false},
    // case
    {"Hello", "hello", false, false},
    {"Hello", "hELLO", true, true},
    {"[A-C]", "b", true, true},
    {"[a-c]", "B", true, true},
    {"[A-C]", "b", false, false},
    {"[!a]", "A", true, false},
    {"[!a]", "A", false, true},
    {"*VIAGRA*", "buy viagra now", true, true},
    {"*VIAGRA*", "buy viagra now", false, false},
    {"\xc9*", "\xe9t\xe9", true, false},  // only ASCII letters fold
};

TEST(wildcard, table) {
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    const wildcard_case& c = kCases[i];
    EXPECT_EQ(sfl::wildcard(c.pattern, c.nocase).matches(c.text), c.expected)
        << "row " << i << ": pattern \"" << c.pattern << "\" text \"" << c.text << "\"";
  }
}

TEST(wildcard, embedded_nul_is_an_ordinary_character) {
  std::string pattern("a\0b", 3), text("a\0b", 3);
  EXPECT_TRUE(sfl::wildcard(pattern, false).matches(text));
  EXPECT_FALSE(sfl::wildcard(pattern, false).matches("ab"));
  EXPECT_TRUE(sfl::wildcard("a?b", false).matches(text));
}

// A backtracking matcher needs exponential time here; the simulation of all positions finishes.
TEST(wildcard, pathological_pattern_finishes) {
  std::string text(100000, 'a');
  EXPECT_FALSE(sfl::wildcard("*a*a*a*a*a*a*a*b", false).matches(text));
  EXPECT_FALSE(sfl::wildcard("*a*a*a*a*a*a*a*b", true).matches(text));
  EXPECT_TRUE(sfl::wildcard("*a*a*a*a*a*a*a*", false).matches(text));
  text.back() = 'b';
  EXPECT_TRUE(sfl::wildcard("*a*a*a*a*a*a*a*b", false).matches(text));
}

}  // namespace
