// The image object and its drawing on real device contexts: the blending arithmetic read back pixel by
// pixel, placement in the target rectangle, icons from handles and from icon groups of a resource
// library written by the test.
#include "ui/framework/images.h"

#include <gtest/gtest.h>

#include "tests/ui/resource_fixture.h"
#include "tests/ui/ui_fixture.h"

using ui_fixture::canvas;

namespace {

constexpr uint32_t kRtIcon = 3, kRtGroupIcon = 14;

uint32_t argb(int a, int r, int g, int b) {
  return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

// An image of one frame, every pixel the same.
void fill_frame(xpimage* image, uint32_t pixel) {
  int index = image->append_frame();
  ASSERT_GE(index, 0);
  uint8_t* f = image->frame(static_cast<uint32_t>(index));
  for (size_t i = 0; i < image->width * image->height; ++i)
    for (int k = 0; k < 4; ++k) f[i * 4 + k] = uint8_t(pixel >> (8 * k));
}

struct blend_row {
  const char* what;
  uint32_t pixel;  // 0xAARRGGBB
  COLORREF background;
  uint32_t flags;
  COLORREF frame_result;  // draw_frame: divisor 255, clamped after blending
  COLORREF icon_result;   // draw_icon_alpha: divisor 256, high contrast clamped before
};

// Expected values worked out by hand from the blending rules.
const blend_row kBlendRows[] = {
    {"opaque white on black", argb(255, 255, 255, 255), RGB(0, 0, 0), 0, RGB(255, 255, 255),
     RGB(254, 254, 254)},
    {"grey look of pure red", argb(255, 255, 0, 0), RGB(0, 0, 0), 16, RGB(170, 170, 170), RGB(169, 169, 169)},
    {"half alpha on black", argb(128, 200, 100, 0), RGB(0, 0, 0), 0, RGB(100, 50, 0), RGB(100, 50, 0)},
    {"half alpha on white", argb(128, 200, 100, 0), RGB(255, 255, 255), 0, RGB(227, 177, 127),
     RGB(226, 176, 126)},
    {"faded red", argb(255, 255, 0, 0), RGB(0, 0, 0), 64, RGB(198, 113, 113), RGB(254, 0, 0)},
    {"high contrast", argb(255, 200, 100, 0), RGB(0, 0, 0), 32, RGB(236, 86, 0), RGB(235, 85, 0)},
    {"high contrast below 0, half alpha on white", argb(128, 200, 100, 0), RGB(255, 255, 255), 32,
     RGB(245, 170, 94), RGB(244, 169, 126)},
    {"faded wins over high contrast", argb(255, 255, 0, 0), RGB(0, 0, 0), 64 | 32, RGB(198, 113, 113),
     RGB(254, 0, 0)},
    {"grey, then faded", argb(255, 255, 0, 0), RGB(0, 0, 0), 16 | 64, RGB(198, 198, 198), RGB(169, 169, 169)},
    // Divided by 256, the background under a transparent pixel loses a step.
    {"transparent", argb(0, 255, 255, 255), RGB(10, 20, 30), 0, RGB(10, 20, 30), RGB(9, 19, 29)},
};

}  // namespace

TEST(ImageBlend, DrawFrameDividesBy255AndAppliesItsLooks) {
  for (size_t r = 0; r < sizeof(kBlendRows) / sizeof(kBlendRows[0]); ++r) {
    const blend_row& row = kBlendRows[r];
    canvas c(16, 16, row.background);
    xpimage image(4, 4, 1, 1);
    fill_frame(&image, row.pixel);
    RECT rect = {2, 2, 14, 14};
    ASSERT_TRUE(draw_frame(&image, c.dc(), rect, kDrawCentred | row.flags, 0)) << "row " << r;
    EXPECT_EQ(c.at(6, 6), row.frame_result) << "row " << r << ": " << row.what;
    EXPECT_EQ(c.at(9, 9), row.frame_result) << "row " << r << ": " << row.what;
    EXPECT_EQ(c.at(5, 5), row.background) << "row " << r << ": outside the image";
    EXPECT_EQ(c.at(10, 10), row.background) << "row " << r << ": outside the image";
  }
}

TEST(ImageBlend, DrawIconAlphaDividesBy256AndAppliesItsLooks) {
  for (size_t r = 0; r < sizeof(kBlendRows) / sizeof(kBlendRows[0]); ++r) {
    const blend_row& row = kBlendRows[r];
    canvas c(16, 16, row.background);
    // Alpha 0 all over would mean "use the mask": the transparent row keeps one opaque pixel outside
    // the pixels checked.
    std::vector<uint32_t> pixels(16, row.pixel);
    if ((row.pixel >> 24) == 0) pixels[0] = argb(255, 0, 0, 0);
    HICON icon = ui_fixture::make_icon(4, 4, pixels, std::vector<uint8_t>(16, 0));
    ASSERT_NE(icon, nullptr) << "row " << r;
    RECT rect = {2, 2, 14, 14};
    EXPECT_EQ(draw_icon_alpha(c.dc(), icon, rect, kDrawCentred | row.flags), 1) << "row " << r;
    EXPECT_EQ(c.at(8, 8), row.icon_result) << "row " << r << ": " << row.what;
    EXPECT_EQ(c.at(9, 9), row.icon_result) << "row " << r << ": " << row.what;
    EXPECT_EQ(c.at(5, 5), row.background) << "row " << r << ": outside the icon";
    DestroyIcon(icon);
  }
}

TEST(ImageBlend, IconWithoutAlphaIsDrawnThroughItsMask) {
  // Red, alpha bytes all 0; the mask leaves the left half transparent.
  std::vector<uint32_t> pixels(64, argb(0, 255, 0, 0));
  std::vector<uint8_t> mask(64, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 4; ++x) mask[y * 8 + x] = 1;
  HICON icon = ui_fixture::make_icon(8, 8, pixels, mask);
  ASSERT_NE(icon, nullptr);

  canvas c(8, 8, RGB(0, 0, 255));
  EXPECT_EQ(draw_icon_alpha(c.dc(), icon, {0, 0, 8, 8}, 0), 1);
  xpimage image;
  EXPECT_EQ(add_hicon_frame(&image, icon), 0);
  ASSERT_EQ(image.width, 8u);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      bool clear = x < 4;
      // Divided by 256, even the background under a transparent pixel loses a step.
      EXPECT_EQ(c.at(x, y), clear ? RGB(0, 0, 254) : RGB(254, 0, 0)) << "drawn pixel " << x << "," << y;
      EXPECT_EQ(image.frame(0)[(y * 8 + x) * 4 + 3], clear ? 0 : 255) << "frame alpha " << x << "," << y;
    }
  DestroyIcon(icon);
}

TEST(ImagePlacement, RectangleDecidesPositionAndSize) {
  // Top half green, bottom half blue, all opaque: the frame is stored bottom-up.
  xpimage image(32, 32, 1, 1);
  fill_frame(&image, argb(255, 0, 0, 255));
  for (size_t i = 16 * 32; i < 32 * 32; ++i)
    reinterpret_cast<uint32_t*>(image.frame(0))[i] = argb(255, 0, 255, 0);
  struct row {
    RECT rect;
    uint32_t flags;
    RECT drawn;
  } rows[] = {
      {{10, 10, 58, 58}, kDrawCentred, {18, 18, 50, 50}},
      {{10, 10, 58, 58}, kDrawLeft | kDrawTop, {10, 10, 42, 42}},
      {{10, 10, 58, 58}, kDrawRight | kDrawBottom, {26, 26, 58, 58}},
      {{10, 10, 42, 42}, kDrawCentred, {10, 10, 42, 42}},
      {{10, 10, 26, 26}, kDrawCentred, {10, 10, 26, 26}},
      {{10, 10, 58, 30}, kDrawCentred, {26, 12, 42, 28}},  // too low for full size: half size
  };
  for (size_t r = 0; r < sizeof(rows) / sizeof(rows[0]); ++r) {
    canvas c(64, 64, RGB(255, 255, 255));
    ASSERT_TRUE(draw_frame(&image, c.dc(), rows[r].rect, rows[r].flags, 0)) << "row " << r;
    const RECT& d = rows[r].drawn;
    int middle = (d.top + d.bottom) / 2;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        bool inside = x >= d.left && x < d.right && y >= d.top && y < d.bottom;
        COLORREF want = !inside ? RGB(255, 255, 255) : y < middle ? RGB(0, 255, 0) : RGB(0, 0, 255);
        ASSERT_EQ(c.at(x, y), want) << "row " << r << ": pixel " << x << "," << y;
      }
  }
}

TEST(ImagePlacement, HalfSizeBlendsOverTheBackgroundReadAtFullSize) {
  // Red at half alpha, drawn at 16 x 16 into (10,10)-(26,26). The background read reaches to
  // (42,42), where the canvas is blue right of x = 26: the right half of the drawn image shows blue.
  xpimage image(32, 32, 1, 1);
  fill_frame(&image, argb(128, 255, 0, 0));
  canvas c(64, 64, RGB(255, 255, 255));
  c.paint({26, 0, 64, 64}, RGB(0, 0, 255));
  ASSERT_TRUE(draw_frame(&image, c.dc(), {10, 10, 26, 26}, kDrawCentred, 0));
  const COLORREF on_white = RGB(255, 127, 127), on_blue = RGB(128, 0, 127);
  for (int y = 10; y < 26; ++y) {
    for (int x = 10; x < 17; ++x) EXPECT_EQ(c.at(x, y), on_white) << x << "," << y;
    for (int x = 19; x < 26; ++x) EXPECT_EQ(c.at(x, y), on_blue) << x << "," << y;
    for (int x = 26; x < 44; ++x) EXPECT_EQ(c.at(x, y), RGB(0, 0, 255)) << x << "," << y << ": not written";
  }
  EXPECT_EQ(c.at(9, 9), RGB(255, 255, 255));
  EXPECT_EQ(c.at(20, 26), RGB(255, 255, 255));
}

TEST(ImageObject, ReserveGrowsInStepsAndKeepsFrames) {
  xpimage image(2, 2, 1, 3);
  EXPECT_EQ(image.capacity, 3u);
  EXPECT_EQ(image.frame_count, 0u);
  EXPECT_EQ(image.frame_bytes(), 16u);
  fill_frame(&image, 0x11223344);
  ASSERT_TRUE(image.reserve(4));
  EXPECT_EQ(image.capacity, 6u);
  EXPECT_EQ(image.frame(0)[0], 0x44);
  EXPECT_EQ(image.frame(0)[15], 0x11);
  EXPECT_EQ(image.frame(1), nullptr);
  EXPECT_FALSE(image.reserve(0xFFFFFFFF));  // the size overflows: refused, nothing lost
  EXPECT_EQ(image.capacity, 6u);
  image.clear();
  EXPECT_TRUE(image.is_empty());
  EXPECT_EQ(image.width, 0u);
  EXPECT_EQ(image.growth_step, 4u);
  xpimage fresh;
  EXPECT_TRUE(fresh.is_empty());
  EXPECT_EQ(fresh.magic, xpimage_magic);
  EXPECT_EQ(fresh.growth_step, 4u);
  EXPECT_FALSE(draw_image(nullptr, &image, 0, {0, 0, 1, 1}, 0));
  EXPECT_FALSE(draw_image(GetDC(nullptr), nullptr, 0, {0, 0, 1, 1}, 0));
}

TEST(ImageObject, AddHiconFrameErrorCodes) {
  std::vector<uint32_t> pixels(16 * 16, argb(255, 1, 2, 3));
  HICON colour = ui_fixture::make_icon(16, 16, pixels, std::vector<uint8_t>(256, 0));
  // A monochrome icon has no colour bitmap.
  std::vector<uint8_t> and_xor(2 * 16 * 2, 0xFF);
  HICON mono = CreateIcon(GetModuleHandleA(nullptr), 16, 16, 1, 1, and_xor.data(), and_xor.data() + 32);
  HICON gone = ui_fixture::make_icon(16, 16, pixels, std::vector<uint8_t>(256, 0));
  DestroyIcon(gone);
  ASSERT_NE(colour, nullptr);
  ASSERT_NE(mono, nullptr);
  struct row {
    const char* what;
    HICON icon;
    bool corrupt;
    int result;
  } rows[] = {
      {"a damaged image", colour, true, kHiconNoMemory},
      {"no icon", nullptr, false, kHiconNull},
      {"a destroyed icon", gone, false, kHiconNoInfo},
      {"a monochrome icon", mono, false, kHiconNoColour},
      {"a colour icon", colour, false, 0},
  };
  for (size_t r = 0; r < sizeof(rows) / sizeof(rows[0]); ++r) {
    xpimage image(16, 16, 1, 1);
    if (rows[r].corrupt) image.magic = 0xDEADBEEF;
    EXPECT_EQ(add_hicon_frame(&image, rows[r].icon), rows[r].result) << "row " << r << ": " << rows[r].what;
    EXPECT_EQ(image.frame_count, rows[r].result >= 0 ? 1u : 0u) << "row " << r;
    image.magic = xpimage_magic;
  }
  // Another size is stretched; the icon's own alpha stays on a screen of many colours.
  xpimage large(32, 32, 1, 1);
  EXPECT_EQ(add_hicon_frame(&large, colour), 0);
  EXPECT_EQ(add_hicon_frame(&large, colour), 1);
  ASSERT_TRUE(display_is_high_color());
  for (uint32_t f = 0; f < 2; ++f)
    for (size_t i = 0; i < 32 * 32; ++i)
      ASSERT_EQ(reinterpret_cast<uint32_t*>(large.frame(f))[i], argb(255, 1, 2, 3))
          << "frame " << f << " pixel " << i;
  DestroyIcon(colour);
  DestroyIcon(mono);
}

namespace {

using namespace resource_fixture;

uint32_t frame_pixel(const xpimage& image, uint32_t x, uint32_t y_from_top) {
  return reinterpret_cast<const uint32_t*>(image.frame(0))[(image.height - 1 - y_from_top) * image.width + x];
}

}  // namespace

TEST(GroupIcon, ChoiceAndConversionFromAResourceLibrary) {
  struct image_def {
    unsigned id;
    icon_image image;
  } images[] = {
      {1, solid_icon(32, 4, argb(0, 0, 0, 200))},       // blue, 4 bits
      {2, solid_icon(32, 24, argb(0, 200, 0, 0))},      // red, 24 bits
      {3, solid_icon(32, 32, argb(200, 0, 200, 0))},    // green
      {4, solid_icon(32, 32, argb(200, 200, 200, 0))},  // yellow
      {5, solid_icon(16, 8, argb(0, 0, 200, 200))},     // cyan, 16 x 16
      {6, solid_icon(48, 32, argb(255, 9, 9, 9))},      // 48 x 48
      {7, solid_icon(32, 32, argb(0, 200, 0, 200))},    // magenta, alpha all 0
  };
  ui_fixture::resource_module library;
  std::vector<bytes> bits;
  for (const image_def& d : images) {
    bits.push_back(icon_bits(d.image));
    ASSERT_TRUE(library.add(kRtIcon, d.id, bits.back())) << "icon " << d.id;
  }
  auto entry = [&](unsigned id) {
    const icon_image& im = images[id - 1].image;
    return group_item{uint8_t(im.width), uint8_t(im.height), im.bit_count, uint32_t(bits[id - 1].size()),
                      uint16_t(id)};
  };
  struct group_def {
    unsigned id;
    std::vector<group_item> entries;
  } groups[] = {
      {100, {entry(1), entry(2)}},
      {101, {entry(3), entry(4)}},
      {102, {entry(5), entry(6)}},
      {103, {entry(7)}},
      {104, {}},
      {105, {{32, 32, 32, 4096, 99}}},
  };
  for (const group_def& g : groups)
    ASSERT_TRUE(library.add(kRtGroupIcon, g.id, group_bits(g.entries))) << g.id;
  HMODULE module = library.load();
  ASSERT_NE(module, nullptr);

  struct row {
    const char* what;
    unsigned group;
    int result;
    uint32_t opaque_pixel;  // right half; the mask clears the left half unless the icon has alpha
    bool own_alpha;
  } rows[] = {
      {"24 bits over 4 bits", 100, 0, argb(255, 200, 0, 0), false},
      {"the later of two 32-bit entries", 101, 0, argb(200, 200, 200, 0), true},
      {"no 32 x 32 entry: the first, converted", 102, 0, argb(255, 0, 200, 200), false},
      {"32 bits with alpha all 0: the mask", 103, 0, argb(255, 200, 0, 200), false},
      {"an empty group", 104, kGroupIconNoImage, 0, false},
      {"an entry whose image is missing", 105, kGroupIconNoImage, 0, false},
      {"no such group", 999, kGroupIconMissing, 0, false},
  };
  for (size_t r = 0; r < sizeof(rows) / sizeof(rows[0]); ++r) {
    xpimage image(32, 32, 1, 1);
    EXPECT_EQ(load_group_icon(&image, module, rows[r].group), rows[r].result)
        << "row " << r << ": " << rows[r].what;
    if (rows[r].result < 0) {
      EXPECT_EQ(image.frame_count, 0u) << "row " << r;
      continue;
    }
    ASSERT_EQ(image.frame_count, 1u) << "row " << r;
    EXPECT_EQ(image.width, 32u) << "row " << r;
    for (uint32_t y = 0; y < 32; ++y) {
      EXPECT_EQ(frame_pixel(image, 31, y), rows[r].opaque_pixel)
          << "row " << r << ": " << rows[r].what << ", y " << y;
      EXPECT_EQ(frame_pixel(image, 18, y), rows[r].opaque_pixel) << "row " << r << ", y " << y;
      uint32_t left_alpha = frame_pixel(image, 2, y) >> 24;
      EXPECT_EQ(left_alpha, rows[r].own_alpha ? rows[r].opaque_pixel >> 24 : 0u)
          << "row " << r << ", y " << y;
    }
  }
}

TEST(GroupIcon, ShortOrDamagedImageBitsAreRefused) {
  bytes good = icon_bits(solid_icon(32, 32, argb(255, 1, 2, 3)));
  bytes cut(good.begin(), good.begin() + 1000);
  bytes other_size = icon_bits(solid_icon(16, 32, argb(255, 1, 2, 3)));
  bytes other_cut(other_size.begin(), other_size.end() - 1);
  struct row {
    const char* what;
    const bytes& bits;
    int result;
  } rows[] = {
      {"the image's size, cut short", cut, -1},
      {"another size, cut short: never handed to the system", other_cut, -1},
      {"another size, whole", other_size, 0},
      {"the image's size, whole", good, 0},
  };
  for (size_t r = 0; r < sizeof(rows) / sizeof(rows[0]); ++r) {
    xpimage image(32, 32, 1, 1);
    EXPECT_EQ(add_icon_frame(&image, rows[r].bits.data(), rows[r].bits.size()), rows[r].result)
        << "row " << r << ": " << rows[r].what;
    EXPECT_EQ(image.frame_count, rows[r].result < 0 ? 0u : 1u) << "row " << r;
  }
}
