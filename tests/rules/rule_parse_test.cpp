// The rule language: parse table, error positions and reasons, describe's canonical forms, and the
// error guard and snapshot of list entries.
#include <gtest/gtest.h>

#include <string>

#include "rules/rule_entry.h"
#include "rules/rule_error_ids.h"

namespace {

// Stands in for the resource library's string table: "reason <id>".
text table_text(unsigned id) {
  text out;
  if (id >= IDS_ERR_SECOND_PART && id <= IDS_ERR_UNKNOWN_WORD) out.format("reason %u", id);
  return out;
}

class scoped_text_source {
 public:
  explicit scoped_text_source(rule_text_source source) : old_(get_rule_text_source()) {
    set_rule_text_source(source);
  }
  ~scoped_text_source() { set_rule_text_source(old_); }

 private:
  rule_text_source old_;
};

struct parse_case {
  const char* rule;
  unsigned error;  // 0: parses
  uint64_t position;
  uint32_t part;
  uint32_t flags;
  const char* value;   // after the parse; the value starts as "old"
  const char* source;  // keyword text of the error
};

const parse_case kParseCases[] = {
    {"", 0, 0, 0, 8, "old", nullptr},
    {":", 0, 0, 0, 8, "", nullptr},
    {"from:", 0, 0, 3, 8, "", nullptr},
    {"Subject Not Contains:x", 0, 0, 2, 8 + 16, "x", nullptr},
    {"body contains:a:b", 0, 0, 7, 8, "a:b", nullptr},
    {"from: a", 0, 0, 3, 8, " a", nullptr},
    {"from contains", 0, 0, 3, 8, "", nullptr},
    {" \t HEADER\t ends   case  :v ", 0, 0, 1, 2, "v ", nullptr},
    {"bcc not equals case:", 0, 0, 6, 16 + 3, "", nullptr},
    {"Cc MATCHES:re", 0, 0, 5, 8 + 4, "re", nullptr},
    {"any nocase not starts:", 0, 0, 0, 8 + 16 + 1, "", nullptr},
    {"to:\t\r\n", 0, 0, 4, 8, "\t\r\n", nullptr},
    {"subject from:x", 487, 12, 2, 8, "old", "subject from"},
    {"subject from x:", 487, 13, 2, 8, "old", "subject from x"},
    {"equals contains:", 488, 15, 0, 8 + 3, "old", "equals contains"},
    {"case nocase:", 489, 11, 0, 0, "old", "case nocase"},
    {"not not:", 490, 7, 0, 8 + 16, "old", "not not"},
    {"foo:bar", 491, 3, 0, 8, "old", "foo"},
    {"from,contains:x", 491, 13, 0, 8, "old", "from,contains"},
    {"to  matches nocase  zz :q", 491, 23, 4, 8 + 4, "old", "to  matches nocase  zz "},
    {"subjects:x", 491, 8, 0, 8, "old", "subjects"},
    {"ccc", 491, 3, 0, 8, "old", "ccc"},
};

TEST(RuleParse, TableOfTextsGivesFieldsOrErrorWithPosition) {
  scoped_text_source source(table_text);
  for (size_t i = 0; i < sizeof(kParseCases) / sizeof(kParseCases[0]); ++i) {
    const parse_case& c = kParseCases[i];
    rule_item rule;
    rule.set(0x1f, 6, "before", "old");
    unsigned error = 0;
    try {
      rule.parse("", c.rule);
    } catch (const regexcept& e) {
      error = 1;
      text reason;
      reason.format("reason %u", c.error);
      EXPECT_EQ(reason, e.reason.c_str()) << "row " << i;
      EXPECT_EQ(c.position, e.position) << "row " << i;
      EXPECT_STREQ(c.source, e.source.c_str()) << "row " << i;
      EXPECT_TRUE(e.detail.empty()) << "row " << i;
    }
    EXPECT_EQ(c.error != 0, error != 0) << "row " << i << " '" << c.rule << "'";
    EXPECT_EQ(c.part, rule.part) << "row " << i;
    EXPECT_EQ(c.flags, rule.flags) << "row " << i;
    EXPECT_EQ(std::string(c.value), std::string(rule.value.c_str(), rule.value.size())) << "row " << i;
    EXPECT_STREQ("before", rule.name.c_str()) << "row " << i;
  }
}

TEST(RuleParse, GivenNameReplacesTheOldOneEvenWhenTheTextFails) {
  rule_item rule;
  rule.set(8, 0, "old name", "");
  EXPECT_THROW(rule.parse("new name", "nonsense:"), regexcept);
  EXPECT_STREQ("new name", rule.name.c_str());
}

TEST(RuleParse, ReasonIsEmptyWithoutTextSourceAndLiteralReasonsAreKept) {
  scoped_text_source source(nullptr);
  rule_item rule;
  try {
    rule.parse("", "foo:");
    FAIL() << "no error";
  } catch (const regexcept& e) {
    EXPECT_TRUE(e.reason.empty());
    EXPECT_STREQ("foo", e.source.c_str());
  }
  regexcept literal("src", "literal reason", 5, "more");
  EXPECT_STREQ("literal reason", literal.reason.c_str());
  EXPECT_STREQ("more", literal.detail.c_str());
}

// Long texts must parse in one pass: a quadratic parser would not finish these within the test's
// time limit.
TEST(RuleParse, VeryLongTextsParse) {
  scoped_text_source source(table_text);
  const size_t n = 8u << 20;
  std::string word(n, 'A');
  rule_item rule;
  try {
    rule.parse("", text((word + ":v").c_str()));
    FAIL() << "no error";
  } catch (const regexcept& e) {
    EXPECT_EQ(n, e.position);
    EXPECT_EQ(n, e.source.size());
  }
  std::string blanks(n, ' ');
  rule.parse("", text(("from" + blanks + "not" + blanks + ":" + word).c_str()));
  EXPECT_EQ(3u, rule.part);
  EXPECT_EQ(8u + 16u, rule.flags);
  EXPECT_EQ(n, rule.value.size());
}

struct describe_case {
  uint32_t part, flags;
  const char* keywords;
};

const describe_case kDescribeCases[] = {
    {6, 16 + 3, "Bcc not equals case "},
    {0, 8, ""},
    {2, 16 + 1, "Subject not starts case "},
    {7, 8 + 4, "Body matches "},
    {1, 8 + 16 + 2, "Header not ends "},
    {3, 0, "From case "},
    {4, 8, "To "},
    {5, 8 + 16, "Cc not "},
    {9, 8 + 7, ""},  // out-of-range values from set() describe as the defaults
};

TEST(RuleDescribe, CanonicalKeywordTexts) {
  for (size_t i = 0; i < sizeof(kDescribeCases) / sizeof(kDescribeCases[0]); ++i) {
    rule_item rule;
    rule.set(kDescribeCases[i].flags, kDescribeCases[i].part, "", "");
    text out("stale");
    rule.describe(out);
    EXPECT_STREQ(kDescribeCases[i].keywords, out.c_str()) << "row " << i;
  }
  rule_item rule;
  rule.set(1 + 16, 2, "", "[list]");
  EXPECT_STREQ("Subject not starts case :[list]", rule_line_text(rule).c_str());
}

TEST(RuleDescribe, EveryValidRuleParsesBackFromItsStoredForm) {
  for (uint32_t part = 0; part <= 7; ++part) {
    for (uint32_t flags = 0; flags < 32; ++flags) {
      if ((flags & 7) > 4) continue;
      rule_item rule;
      rule.set(flags, part, "n", " a:b ");
      rule_item back;
      back.parse("", rule_line_text(rule));
      EXPECT_EQ(part, back.part) << "part " << part << " flags " << flags;
      EXPECT_EQ(flags, back.flags) << "part " << part << " flags " << flags;
      EXPECT_STREQ(" a:b ", back.value.c_str()) << "part " << part << " flags " << flags;
    }
  }
}

TEST(RuleEntry, GuardKeepsErrorWithReasonAndDisables) {
  scoped_text_source source(table_text);
  rule_entry entry("n", "from foo bar:x");
  EXPECT_EQ(kParseFailed, entry.parse_status);
  EXPECT_FALSE(entry.enabled);
  EXPECT_EQ(9u, entry.error_position);
  EXPECT_STREQ("reason 491", entry.error_reason.c_str());
  EXPECT_STREQ("from foo bar", entry.error_source.c_str());
  EXPECT_STREQ("n", entry.name.c_str());
  EXPECT_EQ(3u, entry.part);  // set by the word before the error
  EXPECT_STREQ("from foo bar:x", entry.original_text.c_str());
  text value("x");
  entry.get_value(value);
  EXPECT_TRUE(value.empty());

  entry.parse("", "subject:ok");
  EXPECT_EQ(kParsed, entry.parse_status);
  EXPECT_TRUE(entry.enabled);
  EXPECT_STREQ("ok", entry.value.c_str());
}

TEST(RuleEntry, GuardWithoutReasonKeepsEnabledAndShowsSource) {
  scoped_text_source source(nullptr);
  rule_entry entry("", "not not:x");
  EXPECT_EQ(kParseFailedNoReason, entry.parse_status);
  EXPECT_TRUE(entry.enabled);
  EXPECT_EQ(0u, entry.error_position);
  EXPECT_STREQ("not not", entry.error_source.c_str());
  text value;
  entry.get_value(value);
  EXPECT_STREQ("not not", value.c_str());

  entry.enabled = false;
  entry.set(3, 6, "set", "v");
  EXPECT_EQ(kParsed, entry.parse_status);
  EXPECT_TRUE(entry.enabled);
  EXPECT_EQ(3u, entry.flags);
  EXPECT_EQ(6u, entry.part);
}

TEST(RuleEntry, ComparisonWithSnapshotSeesEachField) {
  rule_entry fresh(8, 2, "name", "value");
  EXPECT_FALSE(fresh.compare_with_snapshot());
  EXPECT_FALSE(fresh.changed);

  void (*const changes[])(rule_entry&) = {
      [](rule_entry& e) { e.name = "other"; },
      [](rule_entry& e) { e.value = "valuE"; },
      [](rule_entry& e) { e.part = 3; },
      [](rule_entry& e) { e.flags = 9; },
      [](rule_entry& e) { e.enabled = false; },
      [](rule_entry& e) { e.name = ""; },
      [](rule_entry& e) { e.value.assign("value\0x", 7); },
  };
  for (size_t i = 0; i < sizeof(changes) / sizeof(changes[0]); ++i) {
    rule_entry entry(8, 2, "name", "value");
    entry.take_snapshot();
    EXPECT_FALSE(entry.compare_with_snapshot()) << "row " << i;
    changes[i](entry);
    EXPECT_TRUE(entry.compare_with_snapshot()) << "row " << i;
    EXPECT_TRUE(entry.changed) << "row " << i;
    entry.take_snapshot();
    EXPECT_FALSE(entry.changed) << "row " << i;
    EXPECT_FALSE(entry.compare_with_snapshot()) << "row " << i;
  }
}

}  // namespace
