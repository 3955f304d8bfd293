// The resources of rk_gui.dll as built: the templates' format, fonts, help ids and icons, and the
// dialog init data of the rule editor's drop-down lists.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "tests/rk_gui/rk_gui_fixture.h"
#include "ui/framework/resource_ids.h"

using namespace rk_gui_test;

namespace {

constexpr uint32_t kShellFont = DS_SETFONT | DS_FIXEDSYS;
constexpr uint16_t kStaticClass = 0x0082;
constexpr size_t kGroupEntry = 14, kGroupHeader = 6, kBitmapHeader = 40;

uint32_t u32_at(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
         static_cast<uint8_t>(b[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint16_t u16_at(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

bool is_icon_static(const dialog_item& item) {
  return item.class_name.is_ordinal && item.class_name.ordinal == kStaticClass &&
         (item.style & 0x1F) == SS_ICON;
}

// What an icon image's pixels say about its edges: alpha values of a 32-bit image, mask bits of a
// paletted one.
struct edges {
  bool clear = false, opaque = false, partial = false;
};

edges edges_of(const std::string& image, int size, int bits) {
  edges e;
  size_t pixels = kBitmapHeader + (bits == 8 ? 256 * 4 : 0);
  if (bits == 32) {
    for (size_t i = 0; i < size_t(size) * size && pixels + 4 * i + 3 < image.size(); ++i) {
      uint8_t alpha = static_cast<uint8_t>(image[pixels + 4 * i + 3]);
      (alpha == 0 ? e.clear : alpha == 255 ? e.opaque : e.partial) = true;
    }
    return e;
  }
  size_t row = (size_t(size) + 3) / 4 * 4, mask_row = (size_t(size) + 31) / 32 * 4;
  for (size_t y = 0; y < size_t(size); ++y)
    for (size_t x = 0; x < size_t(size); ++x) {
      size_t at = pixels + row * size + mask_row * y + x / 8;
      if (at >= image.size()) return e;
      (static_cast<uint8_t>(image[at]) & (0x80 >> x % 8) ? e.clear : e.opaque) = true;
    }
  return e;
}

}  // namespace

TEST(Templates, ExtendedWithTheShellFontAHelpIdOnEveryControlAndTheHelpButton) {
  for (int id : kTemplates) {
    dialog_template t = read_template(id);
    EXPECT_EQ(t.style & kShellFont, kShellFont) << id;
    EXPECT_EQ(t.face, "MS Shell Dlg") << id;
    EXPECT_EQ(t.point_size, 8) << id;
    EXPECT_TRUE(t.style & DS_CONTEXTHELP) << id;
    EXPECT_FALSE(t.title.empty()) << id;
    ASSERT_FALSE(t.items.empty()) << id;
    for (size_t i = 0; i < t.items.size(); ++i)
      EXPECT_NE(t.items[i].help_id, 0u) << id << " item " << i << " '" << t.items[i].title.text << "'";
  }
}

TEST(Templates, EachShowsOneIconWhoseGroupHoldsThreeSizesInTwoDepths) {
  const std::set<std::pair<int, int>> wanted = {{16, 8}, {32, 8}, {48, 8}, {16, 32}, {32, 32}, {48, 32}};
  for (int id : kTemplates) {
    dialog_template t = read_template(id);
    std::vector<const dialog_item*> icons;
    for (const dialog_item& item : t.items)
      if (is_icon_static(item)) icons.push_back(&item);
    ASSERT_EQ(icons.size(), 1u) << id;
    ASSERT_TRUE(icons[0]->title.is_ordinal) << id << ": the icon is named, not numbered";
    std::string group = resource_bytes(MAKEINTRESOURCEA(14), icons[0]->title.ordinal);  // RT_GROUP_ICON
    ASSERT_GE(group.size(), kGroupHeader) << id << ": no icon group " << icons[0]->title.ordinal;
    size_t count = u16_at(group, 4);
    ASSERT_EQ(group.size(), kGroupHeader + count * kGroupEntry) << id;
    std::set<std::pair<int, int>> found;
    for (size_t e = 0; e < count; ++e) {
      size_t at = kGroupHeader + e * kGroupEntry;
      int size = static_cast<uint8_t>(group[at]), bits = u16_at(group, at + 6);
      found.insert({size, bits});
      std::string image = resource_bytes(MAKEINTRESOURCEA(3), u16_at(group, at + 12));  // RT_ICON
      ASSERT_GE(image.size(), kBitmapHeader) << id << " entry " << e;
      EXPECT_EQ(int(u32_at(image, 4)), size) << id << " entry " << e;
      EXPECT_EQ(int(u32_at(image, 8)), 2 * size) << id << " entry " << e << ": colour and mask";
      EXPECT_EQ(u16_at(image, 14), bits) << id << " entry " << e;
      edges got = edges_of(image, size, bits);
      EXPECT_TRUE(got.clear && got.opaque) << id << " entry " << e << ": a drawing on a clear ground";
      EXPECT_EQ(got.partial, bits == 32) << id << " entry " << e << ": smooth edges only with alpha";
    }
    EXPECT_EQ(found, wanted) << id;
  }
}

TEST(Templates, RuleEditorListsStartWithTheTextsOfTheStringTable) {
  struct {
    uint16_t control;
    std::vector<int> strings;
  } lists[] = {
      {IDC_RULE_PART,
       {IDS_PART_ANY, IDS_PART_HEADER, IDS_PART_SUBJECT, IDS_PART_FROM, IDS_PART_TO, IDS_PART_CC,
        IDS_PART_BCC, IDS_PART_BODY}},
      {IDC_RULE_OPERATOR, {}},
  };
  for (int id = IDS_OP_FIRST; id <= IDS_OP_LAST; ++id) lists[1].strings.push_back(id);
  std::string bytes = resource_bytes(MAKEINTRESOURCEA(240), IDD_RULE_EDIT);  // RT_DLGINIT
  std::vector<dialog_init_entry> entries;
  ASSERT_TRUE(read_dialog_init(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &entries));
  size_t next = 0;
  for (const auto& list : lists)
    for (size_t i = 0; i < list.strings.size(); ++i, ++next) {
      ASSERT_LT(next, entries.size()) << list.control << " item " << i;
      EXPECT_EQ(entries[next].control_id, list.control) << "entry " << next;
      EXPECT_EQ(entries[next].message, 0x403) << "entry " << next << ": the init data's combo box item";
      EXPECT_EQ(entries[next].data, load_string(list.strings[i]) + '\0') << "entry " << next;
    }
  EXPECT_EQ(entries.size(), next);
}
