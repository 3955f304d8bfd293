// The list file format: reading any bytes, the written form, and load/save/load round trips.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rules/rule_list.h"
#include "ui/framework/resource_ids.h"

namespace {

text table_text(unsigned id) {
  text out;
  out.format("reason %u", id);
  return out;
}

// What a reader of the list sees of one entry.
struct seen {
  std::string name;
  uint32_t part, flags;
  std::string value;
  bool enabled;
  uint32_t status;
  bool operator==(const seen& o) const {
    return name == o.name && part == o.part && flags == o.flags && value == o.value && enabled == o.enabled &&
           status == o.status;
  }
};

std::ostream& operator<<(std::ostream& os, const seen& s) {
  return os << "{'" << s.name << "' " << s.part << " " << s.flags << " '" << s.value << "' " << s.enabled
            << " " << s.status << "}";
}

std::string str(const text& t) { return std::string(t.c_str(), t.size()); }

std::vector<seen> read_bytes(const std::string& bytes) {
  rule_list list;
  list.read(bytes.data(), bytes.size());
  std::vector<seen> out;
  for (const auto& e : list)
    out.push_back({str(e->name), e->part, e->flags, str(e->value), e->enabled, e->parse_status});
  return out;
}

class ListFormat : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = get_rule_text_source();
    set_rule_text_source(table_text);
  }
  void TearDown() override { set_rule_text_source(old_); }
  rule_text_source old_ = nullptr;
};

struct read_case {
  const char* bytes;
  std::vector<seen> entries;
};

TEST_F(ListFormat, ReadsLinesNamesAndMarkers) {
  const seen a{"A", 3, 8, "x", true, 0};
  const seen b{"", 0, 8, "y", true, 0};
  const read_case cases[] = {
      {"#A\nfrom:x\n:y", {a, b}},
      {"#A\rfrom:x\r:y\r", {a, b}},
      {"#A\r\nfrom:x\r\n:y\r\n", {a, b}},
      {"\r\n\n\r#A\r\r\n\n\nfrom:x\n\r\n\r\r:y\n\n", {a, b}},
      {"  \t#A\n\t from:x\n :y", {a, b}},
      {"#A\n\n\r\nfrom:x\n:y", {a, b}},                  // empty lines do not clear the name
      {"#A\n  \t\nfrom:x", {{"", 3, 8, "x", true, 0}}},  // a blank line does
      {"#first\n#A\nfrom:x", {a}},                       // the second name wins
      {"#A\n##\nfrom:x", {a}},                           // "##" alone adds nothing, keeps the name
      {"#A\n##from:x", {{"A", 3, 8, "x", false, 0}}},
      {"###from:x", {{"", 0, 8, "", false, 1}}},  // the rule text "#from:x" fails
      {"#\\#A\nfrom:x\n#\\\\B\n:y\n#\\C\n:z",
       {{"#A", 3, 8, "x", true, 0}, {"\\B", 0, 8, "y", true, 0}, {"\\C", 0, 8, "z", true, 0}}},
      {"# spaced name  \nfrom:x  ", {{" spaced name  ", 3, 8, "x  ", true, 0}}},
      {"\r\n\r\n\n\r", {}},
      {"", {}},
      {"#only a name", {}},
      {"foo:bar\nbody:ok", {{"", 0, 8, "", false, 1}, {"", 7, 8, "ok", true, 0}}},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    EXPECT_EQ(cases[i].entries, read_bytes(cases[i].bytes)) << "row " << i;
  }
}

TEST_F(ListFormat, OddBytesLoadWithoutHarm) {
  static const char kNuls[] = "#n\0me\nfrom:a\0b\n\0\n";
  std::string nuls(kNuls, sizeof(kNuls) - 1);
  auto got = read_bytes(nuls);
  ASSERT_EQ(2u, got.size());
  EXPECT_EQ(std::string("n\0me", 4), got[0].name);
  EXPECT_EQ(std::string("a\0b", 3), got[0].value);
  EXPECT_EQ(1u, got[1].status);  // a line of one NUL is a rule text that is no keyword

  std::string long_name = "#" + std::string(100 * 1024, 'n') + "\r\nsubject:x";
  got = read_bytes(long_name);
  ASSERT_EQ(1u, got.size());
  EXPECT_EQ(100u * 1024u, got[0].name.size());

  std::string long_rule = std::string(1 << 20, ' ') + "body:" + std::string(1 << 20, 'v');
  got = read_bytes(long_rule);
  ASSERT_EQ(1u, got.size());
  EXPECT_EQ(7u, got[0].part);
  EXPECT_EQ(size_t(1) << 20, got[0].value.size());
}

// The example list: an enabled rule named Friends and an unnamed disabled default rule.
rule_list& example_list(rule_list& list) {
  list.append(new rule_entry("Friends", "from:friend@example.com"));
  rule_entry* offer = list.append(new rule_entry(8, 0, "", "offer"));
  offer->enabled = false;
  return list;
}

TEST_F(ListFormat, WritesTheExampleByteForByte) {
  rule_list list;
  EXPECT_EQ("#Friends\r\nFrom :friend@example.com\r\n\r\n#\r\n##:offer\r\n", example_list(list).write());
  rule_list empty;
  EXPECT_EQ("", empty.write());
}

// Fills a list with every kind of entry that must survive a save.
void fill_hard_list(rule_list& list) {
  example_list(list);
  list.append(new rule_entry("#hash name", "subject not starts case:[list]"));
  list.append(new rule_entry("##two hashes", "Bcc equals:x"));
  list.append(new rule_entry("\\#escaped looking", "body:\\#"));
  list.append(new rule_entry("\\plain backslash", "to matches:a.*b"));
  list.append(new rule_entry(" lead blank", "  \tcc  ends:  spaced value  "));
  list.append(new rule_entry("failed enabled", "subject from:x"));
  rule_entry* off = list.append(new rule_entry("failed disabled", "bogus words:x"));
  off->original_disabled = true;
  list.append(new rule_entry("#failed hash", "not not:"));
  list.append(new rule_entry("", ":"));
}

TEST_F(ListFormat, LoadSaveLoadKeepsEverythingAlsoFailedEntries) {
  const rule_text_source sources[] = {table_text, nullptr};  // failures with and without reasons
  for (size_t s = 0; s < 2; ++s) {
    set_rule_text_source(sources[s]);
    rule_list original;
    fill_hard_list(original);
    std::string first = original.write();
    rule_list loaded;
    loaded.read(first.data(), first.size());
    ASSERT_EQ(original.size(), loaded.size()) << "source " << s;
    auto it = loaded.begin();
    size_t row = 0;
    for (const auto& e : original) {
      const rule_entry& l = **it++;
      EXPECT_EQ(str(e->name), str(l.name)) << "source " << s << " row " << row;
      EXPECT_EQ(e->parse_status, l.parse_status) << "source " << s << " row " << row;
      EXPECT_EQ(e->part, l.part) << "source " << s << " row " << row;
      EXPECT_EQ(e->flags, l.flags) << "source " << s << " row " << row;
      EXPECT_EQ(str(e->value), str(l.value)) << "source " << s << " row " << row;
      if (e->failed()) {
        EXPECT_EQ(str(e->original_text), str(l.original_text)) << "source " << s << " row " << row;
      } else {
        EXPECT_EQ(e->enabled, l.enabled) << "source " << s << " row " << row;
      }
      ++row;
    }
    EXPECT_EQ(first, loaded.write()) << "source " << s;
  }
  // The failed lines are written as the user wrote them.
  rule_list list;
  fill_hard_list(list);
  std::string bytes = list.write();
  EXPECT_NE(std::string::npos, bytes.find("\r\nsubject from:x\r\n"));
  EXPECT_NE(std::string::npos, bytes.find("\r\n##bogus words:x\r\n"));
  EXPECT_NE(std::string::npos, bytes.find("\r\n#\\#hash name\r\n"));
}

TEST_F(ListFormat, LineBreaksInsideFieldsCannotSplitAnEntry) {
  rule_list list;
  list.append(new rule_entry(8, 2, "two\r\nlines", "a\nb"));
  std::string bytes = list.write();
  EXPECT_EQ("#two  lines\r\nSubject :a b\r\n", bytes);
  EXPECT_EQ(1u, read_bytes(bytes).size());
}

// Offsets of the line end of each entry's rule line in the written form of a list.
std::vector<size_t> rule_line_ends(const std::string& bytes) {
  std::vector<size_t> ends;
  for (size_t start = 0; start < bytes.size();) {
    size_t end = bytes.find("\r\n", start);
    bool rule = end > start && (bytes[start] != '#' || bytes.compare(start, 2, "##") == 0);
    if (rule) ends.push_back(end);
    start = end + 2;
  }
  return ends;
}

TEST_F(ListFormat, TruncatedAndMutatedFilesKeepTheEntriesBeforeTheDamage) {
  rule_list list;
  fill_hard_list(list);
  const std::string valid = list.write();
  const std::vector<seen> all = read_bytes(valid);
  const std::vector<size_t> ends = rule_line_ends(valid);
  ASSERT_EQ(all.size(), ends.size());

  for (size_t cut = 0; cut <= valid.size(); ++cut) {
    std::vector<seen> got = read_bytes(valid.substr(0, cut));
    size_t intact = 0;
    while (intact < ends.size() && ends[intact] <= cut) ++intact;
    ASSERT_GE(got.size(), intact) << "cut " << cut;
    ASSERT_LE(got.size(), all.size()) << "cut " << cut;
    for (size_t k = 0; k < intact; ++k) EXPECT_EQ(all[k], got[k]) << "cut " << cut << " entry " << k;
  }

  const char replacements[] = {'\0', '\r', '\n', '#', ' ', ':', '\xff'};
  for (size_t pos = 0; pos < valid.size(); ++pos) {
    for (char r : replacements) {
      std::string bent = valid;
      bent[pos] = r;
      std::vector<seen> got = read_bytes(bent);
      size_t intact = 0;
      while (intact < ends.size() && ends[intact] < pos) ++intact;
      ASSERT_GE(got.size(), intact) << "pos " << pos << " byte " << int(r);
      for (size_t k = 0; k < intact; ++k)
        EXPECT_EQ(all[k], got[k]) << "pos " << pos << " byte " << int(r) << " entry " << k;
    }
  }
}

}  // namespace
