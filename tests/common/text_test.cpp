#include "common/text.h"

#include <gtest/gtest.h>

#include <string>

TEST(Text, EmptyTextNeverYieldsNull) {
  text t;
  ASSERT_NE(t.c_str(), nullptr);
  EXPECT_STREQ(t.c_str(), "");
  EXPECT_TRUE(t.empty());
  EXPECT_EQ(t[0], '\0');  // the terminator, as for any other text
  EXPECT_EQ(t.back(), '\0');
  text from_null(static_cast<const char*>(nullptr));
  EXPECT_STREQ(from_null.c_str(), "");
  EXPECT_EQ(from_null[0], '\0');
}

TEST(Text, CapacityGrowsBySteps) {
  struct row {
    size_t assigned;
    size_t capacity;
  } rows[] = {{1, 50}, {49, 50}, {50, 100}, {99, 100}, {100, 150}, {260, 300}};
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    text t;
    t.assign(std::string(rows[i].assigned, 'x').c_str());
    EXPECT_EQ(t.capacity(), rows[i].capacity) << "row " << i;
    EXPECT_EQ(t.size(), rows[i].assigned) << "row " << i;
  }
  text c;
  c.push_back('a');
  EXPECT_EQ(c.capacity(), 100u);  // single characters grow by the larger step
}

TEST(Text, FormatHasNoLengthLimit) {
  std::string big(100000, 'q');
  text t;
  t.format("<%s|%d>", big.c_str(), 42);
  EXPECT_EQ(t.size(), big.size() + 5);
  EXPECT_EQ(std::string(t.c_str()), "<" + big + "|42>");
  t.append_format("%05u", 7u);
  EXPECT_EQ(std::string(t.c_str()).substr(t.size() - 5), "00007");
}

TEST(Text, AppendingAPieceOfItselfIsSafe) {
  text t("abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmn");  // 50 chars: the append must regrow
  t.append(t.c_str() + 10, 20);
  EXPECT_EQ(std::string(t.c_str()), "abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmnklmnopqrstuvwxyz0123");
  t.assign(t.c_str() + 60);
  EXPECT_STREQ(t.c_str(), "uvwxyz0123");
}

TEST(Text, CopyMoveAndCompare) {
  text a("hello");
  text b(a);
  text c(std::move(a));
  EXPECT_TRUE(b == "hello");
  EXPECT_TRUE(c == b);
  EXPECT_STREQ(a.c_str(), "");  // a moved-from text is empty, not dangling
  b.truncate(2);
  EXPECT_TRUE(b == "he");
  EXPECT_TRUE(b != c);
}
