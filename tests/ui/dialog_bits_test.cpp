// The sizes in dialog templates and the dialog init data, read (and the sizes written) as outside
// input: the native build runs this under AddressSanitizer with each copy in a buffer of exactly its
// size, so a read or write past a shortened copy fails the test.
#include <gtest/gtest.h>

#include <memory>

#include "tests/ui/resource_fixture.h"
#include "ui/framework/dialog_init.h"
#include "ui/framework/dialog_template.h"

using namespace resource_fixture;

namespace {

template_spec sized(bool extended, int16_t cx, int16_t cy) {
  template_spec t;
  t.extended = extended;
  t.style = 0x40;  // DS_SETFONT
  t.cx = cx;
  t.cy = cy;
  t.items.push_back({0x50000000, 7, nullptr, 0x0082, "label", 0, 5, 5, 40, 8, {}, 3101013});
  return t;
}

struct init_entry_spec {
  uint16_t id, message;
  std::string data;  // written as is: include a zero to terminate
  uint32_t claimed;  // 0: the data's own length
};

bytes init_bits(const std::vector<init_entry_spec>& entries, bool terminated = true) {
  bytes out;
  for (const init_entry_spec& e : entries) {
    put_u16(&out, e.id);
    put_u16(&out, e.message);
    put_u32(&out, e.claimed ? e.claimed : static_cast<uint32_t>(e.data.size()));
    put_bytes(&out, e.data.data(), e.data.size());
  }
  if (terminated) put_u16(&out, 0);
  return out;
}

const std::vector<init_entry_spec> kThreeEntries = {
    {1010, 1027, std::string("Alpha", 6), 0},
    {1011, 1025, "Beta", 0},  // no terminating zero: all of the data is the text
    {1012, 4660, std::string("Ep\0silon", 9), 0},
};

}  // namespace

TEST(TemplateSize, ReadAndWrittenInBothLayouts) {
  for (bool extended : {false, true}) {
    bytes b = template_bits(sized(extended, 230, 140));
    const char* what = extended ? "extended" : "standard";
    uint16_t w = 0, h = 0;
    EXPECT_EQ(template_header_size(b.data(), b.size()), extended ? 26u : 18u) << what;
    ASSERT_TRUE(read_template_size(b.data(), b.size(), &w, &h)) << what;
    EXPECT_EQ(w, 230) << what;
    EXPECT_EQ(h, 140) << what;
    bytes before = b;
    ASSERT_TRUE(write_template_size(b.data(), b.size(), 0x1234, 0xFEDC)) << what;
    ASSERT_TRUE(read_template_size(b.data(), b.size(), &w, &h)) << what;
    EXPECT_EQ(w, 0x1234) << what;
    EXPECT_EQ(h, 0xFEDC) << what;
    // Only the two words changed: the template still reads whole, with the same item.
    const size_t offset = extended ? kExtendedSizeOffset : kStandardSizeOffset;
    for (size_t i = 0; i < b.size(); ++i)
      if (i < offset || i >= offset + 4) { EXPECT_EQ(b[i], before[i]) << what << " byte " << i; }
    dialog_layout layout;
    ASSERT_TRUE(read_dialog_template(b.data(), b.size(), &layout)) << what;
    ASSERT_EQ(layout.items.size(), 1u) << what;
    // The help id of an item, which only the extended layout has.
    EXPECT_EQ(layout.items[0].help_id, extended ? 3101013u : 0u) << what;
  }
}

TEST(TemplateSize, ShortHeadersAreNeitherReadNorWritten) {
  for (bool extended : {false, true}) {
    bytes b = template_bits(sized(extended, 230, 140));
    const size_t header = extended ? 26 : 18;
    for (size_t n = 0; n < header; ++n) {
      auto copy = exact_copy(b, n);
      uint16_t w = 7, h = 9;
      const char* what = extended ? "extended" : "standard";
      EXPECT_FALSE(read_template_size(copy.get(), n, &w, &h)) << what << ", cut at " << n;
      EXPECT_EQ(w, 7) << what << ", cut at " << n;
      EXPECT_EQ(h, 9) << what << ", cut at " << n;
      EXPECT_FALSE(write_template_size(copy.get(), n, 1, 2)) << what << ", cut at " << n;
      EXPECT_TRUE(std::equal(copy.get(), copy.get() + n, b.begin())) << what << ", cut at " << n;
    }
    // The header alone is enough: the rest of the template plays no part in its size.
    auto copy = exact_copy(b, header);
    uint16_t w = 0, h = 0;
    EXPECT_TRUE(read_template_size(copy.get(), header, &w, &h));
    EXPECT_EQ(w, 230);
    EXPECT_TRUE(write_template_size(copy.get(), header, 300, 200));
  }
}

TEST(DialogInit, EntriesOfEveryCodeWithTheirTexts) {
  bytes b = init_bits(kThreeEntries);
  std::vector<dialog_init_entry> entries;
  ASSERT_TRUE(read_dialog_init(b.data(), b.size(), &entries));
  ASSERT_EQ(entries.size(), 3u);
  const char* texts[] = {"Alpha", "Beta", "Ep"};
  const unsigned messages[] = {323, 384, 1025};  // CB_ADDSTRING, LB_ADDSTRING, CBEM_INSERTITEMA
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(entries[i].control_id, kThreeEntries[i].id) << i;
    EXPECT_EQ(entries[i].text, texts[i]) << i;
    EXPECT_EQ(dialog_init_message(entries[i].message), messages[i]) << i;
  }
  // Codes that are already window messages, or anything else, are not applied.
  for (uint16_t code : {uint16_t(0), uint16_t(323), uint16_t(384), uint16_t(1026), uint16_t(0xFFFF)})
    EXPECT_EQ(dialog_init_message(code), 0u) << code;
}

TEST(DialogInit, TheEndComesAtTheZeroIdOrTheEndOfTheData) {
  struct row {
    const char* what;
    bytes bits;
    size_t entries;
  } rows[] = {
      {"empty data", {}, 0},
      {"only the terminator", init_bits({}), 0},
      {"no terminator after whole entries", init_bits(kThreeEntries, false), 3},
      {"entries after the terminator are not read",
       [] {
         bytes b = init_bits({kThreeEntries[0]});
         bytes more = init_bits({kThreeEntries[1]});
         b.insert(b.end(), more.begin(), more.end());
         return b;
       }(),
       1},
      {"an entry of no data gives an empty text", init_bits({{1010, 1027, "", 0}}), 1},
  };
  for (const row& r : rows) {
    std::vector<dialog_init_entry> entries;
    auto copy = exact_copy(r.bits, r.bits.size());
    EXPECT_TRUE(read_dialog_init(copy.get(), r.bits.size(), &entries)) << r.what;
    EXPECT_EQ(entries.size(), r.entries) << r.what;
  }
}

TEST(DialogInit, CutEntriesAreRefusedAndTheWholeOnesBeforeThemKept) {
  bytes b = init_bits(kThreeEntries);
  // Where each entry starts; a cut inside an entry keeps the entries before it.
  const size_t starts[] = {0, 8 + 6, 8 + 6 + 8 + 4, 8 + 6 + 8 + 4 + 8 + 9};
  for (size_t n = 0; n < b.size(); ++n) {
    size_t whole = 0;
    while (whole < 3 && starts[whole + 1] <= n) ++whole;
    // Data may end where an entry would start; a stray byte there (half an id) is a cut too.
    const bool at_boundary = n == starts[whole];
    std::vector<dialog_init_entry> entries;
    auto copy = exact_copy(b, n);
    EXPECT_EQ(read_dialog_init(copy.get(), n, &entries), at_boundary) << "cut at " << n;
    EXPECT_EQ(entries.size(), whole) << "cut at " << n;
  }
  // A length that claims more than the data holds, and one near the top of the 32-bit range.
  for (uint32_t claimed : {50u, 0xFFFFFFFFu, 0x80000000u}) {
    bytes lying = init_bits({kThreeEntries[0], {1010, 1027, "Cut", claimed}});
    std::vector<dialog_init_entry> entries;
    auto copy = exact_copy(lying, lying.size());
    EXPECT_FALSE(read_dialog_init(copy.get(), lying.size(), &entries)) << claimed;
    ASSERT_EQ(entries.size(), 1u) << claimed;
    EXPECT_EQ(entries[0].text, "Alpha") << claimed;
  }
}
