// Reading icon images, icon group directories and dialog templates: the bytes come from a resource
// library and are read as outside input, so shortened copies must never be read past their end (the
// native build runs this under AddressSanitizer, with each copy in a buffer of exactly its size).
#include <gtest/gtest.h>

#include <memory>

#include "tests/ui/resource_fixture.h"
#include "ui/framework/dialog_template.h"
#include "ui/framework/icon_bits.h"

using namespace resource_fixture;

namespace {

// The pixel an image should decode to, from its description.
void expected_pixel(const icon_image& im, size_t i, bool mask_alpha, uint8_t out[4]) {
  uint32_t v = im.pixels[i];
  if (im.bit_count <= 8) {
    uint32_t count = im.colours_used ? im.colours_used : uint32_t(1) << im.bit_count;
    v = v < count ? im.palette[v] : 0;
  }
  for (int k = 0; k < 4; ++k) out[k] = uint8_t(v >> (8 * k));
  if (mask_alpha) out[3] = im.mask[i] ? 0 : 255;
}

// 5 x 3 pixels: rows that need padding at every depth, pixels that differ from their neighbours.
icon_image patterned(uint16_t bits, uint32_t colours_used = 0) {
  icon_image im;
  im.width = 5;
  im.height = 3;
  im.bit_count = bits;
  im.colours_used = colours_used;
  uint32_t palette_size = bits <= 8 ? (colours_used ? colours_used : 1u << bits) : 0;
  for (uint32_t i = 0; i < palette_size; ++i) im.palette.push_back(0x102030u * (i + 1) & 0xFFFFFF);
  for (uint32_t i = 0; i < 15; ++i) {
    uint32_t max_index = bits <= 8 ? (1u << bits) : 0;
    im.pixels.push_back(bits <= 8 ? (i * 7 + 1) % max_index : 0x80000000u | (i * 0x0A0B0C + 0x010203));
    im.mask.push_back(i % 3 == 0);
  }
  if (bits == 32) im.pixels[4] = 0x00FFFFFF;  // fully transparent by its own alpha, mask clear
  return im;
}

}  // namespace

TEST(IconBits, DecodesEveryDepthWithItsAlpha) {
  struct row {
    const char* what;
    icon_image image;
    bool mask_alpha;
  } rows[] = {
      {"1 bit", patterned(1), true},
      {"2 bits", patterned(2), true},
      {"4 bits", patterned(4), true},
      {"8 bits", patterned(8), true},
      {"8 bits, a palette of 5 colours used", patterned(8, 5), true},
      {"24 bits", patterned(24), true},
      {"32 bits keep their own alpha", patterned(32), false},
  };
  for (size_t r = 0; r < sizeof(rows) / sizeof(rows[0]); ++r) {
    const icon_image& im = rows[r].image;
    bytes b = icon_bits(im);
    bytes out(im.width * im.height * 4, 0xCC);
    ASSERT_EQ(decode_icon_bits(b.data(), b.size(), im.width, im.height, out.data()), icon_decode::kDecoded)
        << "row " << r << ": " << rows[r].what;
    for (size_t i = 0; i < im.pixels.size(); ++i) {
      uint8_t want[4];
      expected_pixel(im, i, rows[r].mask_alpha, want);
      for (int k = 0; k < 4; ++k)
        EXPECT_EQ(out[i * 4 + k], want[k])
            << "row " << r << ": " << rows[r].what << ", pixel " << i << " byte " << k;
    }
  }
}

TEST(IconBits, ThirtyTwoBitsWithoutAnyAlphaTakeTheMask) {
  icon_image im = patterned(32);
  for (uint32_t& p : im.pixels) p &= 0xFFFFFF;
  bytes b = icon_bits(im);
  bytes out(im.width * im.height * 4, 0xCC);
  ASSERT_EQ(decode_icon_bits(b.data(), b.size(), im.width, im.height, out.data()), icon_decode::kDecoded);
  for (size_t i = 0; i < im.pixels.size(); ++i)
    EXPECT_EQ(out[i * 4 + 3], im.mask[i] ? 0 : 255) << "pixel " << i;
}

TEST(IconBits, OtherShapesAreLeftToConversionAndShortBitsAreRefused) {
  icon_image im = patterned(8);
  bytes good = icon_bits(im);
  bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
  png.resize(64, 0);
  bytes compressed = good;
  compressed[16] = 1;  // run-length encoded
  bytes odd_depth = icon_bits(patterned(24));
  odd_depth[14] = 16;
  struct row {
    const char* what;
    const bytes& bits;
    uint32_t width, height;
    icon_decode result;
  } rows[] = {
      {"another width", good, 4, 3, icon_decode::kOtherFormat},
      {"another height", good, 5, 6, icon_decode::kOtherFormat},
      {"a PNG stream", png, 5, 3, icon_decode::kOtherFormat},
      {"compressed", compressed, 5, 3, icon_decode::kOtherFormat},
      {"16 bits a pixel", odd_depth, 5, 3, icon_decode::kOtherFormat},
      {"the right shape", good, 5, 3, icon_decode::kDecoded},
  };
  for (size_t r = 0; r < sizeof(rows) / sizeof(rows[0]); ++r) {
    bytes out(rows[r].width * rows[r].height * 4, 0xCC);
    EXPECT_EQ(
        decode_icon_bits(rows[r].bits.data(), rows[r].bits.size(), rows[r].width, rows[r].height, out.data()),
        rows[r].result)
        << "row " << r << ": " << rows[r].what;
  }
  for (size_t n = 0; n < good.size(); ++n) {
    auto copy = exact_copy(good, n);
    bytes out(im.width * im.height * 4, 0xCC);
    icon_decode result = decode_icon_bits(copy.get(), n, im.width, im.height, out.data());
    EXPECT_EQ(result, n < kBitmapHeaderSize ? icon_decode::kOtherFormat : icon_decode::kCorrupt)
        << "cut at " << n;
    EXPECT_EQ(out[0], 0xCC) << "cut at " << n << ": written although refused";
  }
  icon_header h;
  ASSERT_TRUE(read_icon_header(good.data(), good.size(), &h));
  EXPECT_EQ(icon_bits_needed(h), good.size());
}

TEST(IconGroup, ChoiceTakesTheDeepestLatestEntryOfTheSize) {
  struct row {
    const char* what;
    std::vector<group_item> entries;
    uint32_t width, height;
    int choice;
  } rows[] = {
      {"24 bits over 4 bits", {{32, 32, 4, 0, 1}, {32, 32, 24, 0, 2}, {32, 32, 8, 0, 3}}, 32, 32, 1},
      {"24 bits first, 4 bits later", {{32, 32, 24, 0, 1}, {32, 32, 4, 0, 2}}, 32, 32, 0},
      {"the later of two 32-bit entries",
       {{16, 16, 32, 0, 1}, {32, 32, 32, 0, 2}, {32, 32, 32, 0, 3}},
       32,
       32,
       2},
      {"no entry of the size: the first", {{16, 16, 8, 0, 1}, {48, 48, 32, 0, 2}}, 32, 32, 0},
      {"a deeper first entry of another size", {{16, 16, 32, 0, 1}, {32, 32, 8, 0, 2}}, 32, 32, 1},
      {"a size of 0 takes any", {{16, 16, 8, 0, 1}, {48, 48, 32, 0, 2}, {32, 32, 32, 0, 3}}, 0, 0, 2},
      {"width 0 in the directory is 256", {{0, 0, 32, 0, 1}, {32, 32, 32, 0, 2}}, 256, 256, 0},
      {"no entries", {}, 32, 32, -1},
  };
  for (size_t r = 0; r < sizeof(rows) / sizeof(rows[0]); ++r) {
    bytes b = group_bits(rows[r].entries);
    std::vector<group_entry> entries;
    ASSERT_TRUE(read_group_directory(b.data(), b.size(), &entries)) << "row " << r;
    ASSERT_EQ(entries.size(), rows[r].entries.size()) << "row " << r;
    int choice = choose_group_entry(entries, rows[r].width, rows[r].height);
    EXPECT_EQ(choice, rows[r].choice) << "row " << r << ": " << rows[r].what;
    if (choice >= 0) { EXPECT_EQ(entries[choice].icon_id, rows[r].entries[choice].icon_id) << "row " << r; }
  }
}

TEST(IconGroup, ShortDirectoriesKeepTheEntriesThatFit) {
  bytes b = group_bits({{16, 16, 8, 100, 1}, {32, 32, 32, 200, 2}, {48, 48, 32, 300, 3}});
  for (size_t n = 0; n <= b.size(); ++n) {
    auto copy = exact_copy(b, n);
    std::vector<group_entry> entries;
    bool read = read_group_directory(copy.get(), n, &entries);
    ASSERT_EQ(read, n >= kGroupHeaderSize) << "cut at " << n;
    if (!read) continue;
    size_t fit = (n - kGroupHeaderSize) / kGroupEntrySize;
    ASSERT_EQ(entries.size(), fit) << "cut at " << n;
    for (size_t i = 0; i < fit; ++i) EXPECT_EQ(entries[i].bytes, 100 * (i + 1)) << "cut at " << n;
  }
}

namespace {

template_spec three_icons(bool extended, uint32_t style) {
  template_spec t;
  t.extended = extended;
  t.style = style;
  t.items = {
      {0x50000003, 101, nullptr, 0x82, nullptr, 7001, 4, 4, 20, 20, {}},
      {0x50000000, 102, nullptr, 0x82, "Label", 0, 30, 4, 60, 10, {}},
      {0x50000003, 0xFFFF, "Static", 0, nullptr, 7002, 4, 30, 20, 20, {}},
      {0x50010000, 1, nullptr, 0x80, "OK", 0, 100, 90, 50, 14, {1, 2, 3}},
      {0x50000003, 103, "STATIC", 0, nullptr, 7003, 40, 30, 20, 20, {}},
      {0x50000003, 104, nullptr, 0x82, "named", 0, 70, 30, 20, 20, {}},
  };
  return t;
}

}  // namespace

TEST(DialogTemplate, ItemsOfBothLayoutsWithAndWithoutFont) {
  struct row {
    bool extended;
    uint32_t style;
    const char* menu;
  } rows[] = {
      {true, 0x40 | 0x80, ""},
      {true, 0x80, nullptr},
      {false, 0x40, "MENU"},
      {false, 0, ""},
  };
  struct item_want {
    uint32_t id;
    bool icon;
    uint16_t ordinal;
  } want[] = {{101, true, 7001}, {102, false, 0},   {0xFFFF, true, 7002},
              {1, false, 0},     {103, true, 7003}, {104, false, 0}};
  for (size_t r = 0; r < sizeof(rows) / sizeof(rows[0]); ++r) {
    template_spec wanted_template = three_icons(rows[r].extended, rows[r].style);
    wanted_template.menu = rows[r].menu;
    bytes b = template_bits(wanted_template);
    dialog_layout layout;
    ASSERT_TRUE(read_dialog_template(b.data(), b.size(), &layout)) << "row " << r;
    EXPECT_EQ(layout.extended, rows[r].extended) << "row " << r;
    EXPECT_EQ(layout.style, rows[r].style) << "row " << r;
    ASSERT_EQ(layout.items.size(), 6u) << "row " << r;
    for (size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(layout.items[i].id, want[i].id) << "row " << r << " item " << i;
      EXPECT_EQ(is_icon_static(layout.items[i]), want[i].icon) << "row " << r << " item " << i;
      if (want[i].icon) {
        EXPECT_EQ(layout.items[i].title_ordinal, want[i].ordinal) << "row " << r << " item " << i;
      }
    }
    EXPECT_EQ(layout.items[3].style, 0x50010000u) << "row " << r;
    EXPECT_FALSE(layout.items[3].static_class) << "row " << r;
  }
}

TEST(DialogTemplate, ShortTemplatesAreRefusedWithoutReadingPastThem) {
  for (bool extended : {false, true}) {
    bytes b = template_bits(three_icons(extended, 0x40));
    for (size_t n = 0; n < b.size(); ++n) {
      auto copy = exact_copy(b, n);
      dialog_layout layout;
      EXPECT_FALSE(read_dialog_template(copy.get(), n, &layout))
          << (extended ? "extended" : "standard") << ", cut at " << n;
    }
  }
}
