// The rule editor's fields: comparison items to and from rule flags, the name of an unnamed rule, and
// writing the fields back into an entry (also one that had failed to parse).
#include <gtest/gtest.h>

#include <string>

#include "rules/rule_list.h"
#include "ui/pages/rule_fields.h"

namespace {

std::string str(const text& t) { return std::string(t.c_str(), t.size()); }

text reason_text(unsigned id) {
  text out;
  out.format("reason %u", id);
  return out;
}

class RuleFields : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = get_rule_text_source();
    set_rule_text_source(reason_text);
  }
  void TearDown() override { set_rule_text_source(old_); }
  rule_text_source old_ = nullptr;
};

TEST(OperatorIndex, EveryItemMapsToItsFlagsAndBack) {
  // item, case-sensitive, flags, the keyword text the flags describe as
  struct row {
    uint32_t item;
    bool case_sensitive;
    uint32_t flags;
    const char* keywords;
  } rows[] = {
      {0, false, 8, ""},
      {1, false, 9, "starts "},
      {2, true, 2, "ends case "},
      {3, false, 11, "equals "},
      {4, true, 4, "matches case "},
      {5, false, 24, "not "},
      {6, true, 17, "not starts case "},
      {7, false, 26, "not ends "},
      {8, true, 19, "not equals case "},
      {9, false, 28, "not matches "},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.item);
    uint32_t flags = flags_of(r.item, r.case_sensitive);
    EXPECT_EQ(r.flags, flags);
    EXPECT_EQ(r.item, operator_index_of(flags));
    // The flags are the parser's own: the keyword text parses back to them.
    rule_item parsed;
    parsed.parse("", text(r.keywords).append(":v"));
    EXPECT_EQ(flags, parsed.flags);
  }
}

TEST(OperatorIndex, OutOfRangeValuesFallBackToContains) {
  EXPECT_EQ(flags_of(0, false), flags_of(10, false));
  EXPECT_EQ(flags_of(0, true), flags_of(0xFFFFFFFFu, true));  // no selection in the drop-down list
  EXPECT_EQ(0u, operator_index_of(7));                        // an operator the parser never produces
  EXPECT_EQ(5u, operator_index_of(kRuleNot | 6));
}

TEST(UnnamedRule, IsNamedByItsKeywordsAndValueOrTheFallback) {
  EXPECT_EQ("Subject starts x", str(unnamed_rule_name(kPartSubject, flags_of(1, false), "x", "Rule")));
  EXPECT_EQ("Bcc not equals case a@b", str(unnamed_rule_name(kPartBcc, flags_of(8, true), "a@b", "Rule")));
  EXPECT_EQ("offer", str(unnamed_rule_name(kPartAny, kRuleDefaultFlags, "offer", "Rule")));
  EXPECT_EQ("Rule", str(unnamed_rule_name(kPartAny, kRuleDefaultFlags, "", "Rule")));
}

TEST_F(RuleFields, LoadingShowsPartComparisonAndCase) {
  rule_entry entry("Mine", "bcc not equals case:someone@example.org");
  rule_fields f = fields_of(entry);
  EXPECT_EQ(6u, f.part_index);
  EXPECT_EQ(8u, f.operator_index);
  EXPECT_TRUE(f.case_sensitive);
  EXPECT_EQ("someone@example.org", str(f.value));
  EXPECT_EQ("Mine", str(f.name));

  // Confirmed unchanged, the rule keeps its part and flags.
  uint32_t part = entry.part, flags = entry.flags;
  store_fields(f, "Rule", entry);
  EXPECT_EQ(part, entry.part);
  EXPECT_EQ(flags, entry.flags);
  EXPECT_FALSE(entry.compare_with_snapshot());
}

TEST_F(RuleFields, AnEmptyNameIsReplacedByTheDescription) {
  rule_entry entry;
  rule_fields f;
  f.part_index = kPartSubject;
  f.operator_index = 1;
  f.value = "x";
  store_fields(f, "Rule", entry);
  EXPECT_EQ("Subject starts x", str(entry.name));
  EXPECT_EQ(kPartSubject, entry.part);
  EXPECT_EQ(kRuleNoCase | kOpStarts, entry.flags);
  EXPECT_EQ("x", str(entry.value));
}

TEST_F(RuleFields, AFailedRuleEditedIntoAValidOneIsWrittenCanonically) {
  struct row {
    const char* file;
    bool enabled_after;
    const char* written;
  } rows[] = {
      // a reason text is held: the parse disabled it, but its line was an enabled rule
      {"#Bad\r\nsubjekt starts:x\r\n", true, "#Bad\r\nSubject starts :x\r\n"},
      // a disabled line stays disabled
      {"#Bad\r\n##subject from:x\r\n", false, "#Bad\r\n##Subject starts :x\r\n"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.file);
    rule_list list;
    std::string bytes = r.file;
    list.read(bytes.data(), bytes.size());
    ASSERT_EQ(1u, list.size());
    rule_entry& entry = **list.begin();
    ASSERT_TRUE(entry.failed());
    // Unchanged it is written as the user wrote it.
    EXPECT_EQ(bytes, list.write());

    rule_fields f = fields_of(entry);
    f.part_index = kPartSubject;
    f.operator_index = 1;
    f.value = "x";
    store_fields(f, "Rule", entry);
    EXPECT_FALSE(entry.failed());
    EXPECT_EQ(r.enabled_after, entry.enabled);
    EXPECT_EQ(r.written, list.write());
  }
}

TEST(RuleFieldsNoReason, AFailedRuleWithoutAReasonShowsItsKeywordText) {
  // Without a string table the parse error has no reason text.
  rule_text_source old = get_rule_text_source();
  set_rule_text_source(nullptr);
  rule_entry entry("", "foo bar:value");
  set_rule_text_source(old);
  ASSERT_EQ(kParseFailedNoReason, entry.parse_status);
  EXPECT_EQ("foo bar", str(fields_of(entry).value));
}

}  // namespace
