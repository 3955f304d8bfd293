// Icon statics of dialogs, on shown windows: which statics of a template are replaced, the 32 x 32
// size they take, the pixels they paint over a coloured background in the normal, grey and faded looks,
// the messages that set and clear their icon, and the icons of the resource library's own dialogs.
#include "ui/framework/icon_static.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <vector>

#include "tests/support/test_support.h"
#include "tests/ui/resource_fixture.h"
#include "tests/ui/ui_fixture.h"
#include "ui/framework/resource_ids.h"
#include "ui/framework/window_registry.h"

using resource_fixture::bytes;
using resource_fixture::icon_image;
using resource_fixture::item_spec;
using resource_fixture::template_spec;

namespace {

constexpr unsigned kTemplate = 300;
constexpr unsigned kGroups[] = {401, 402, 403};
constexpr unsigned kFirstIcon = 501;
constexpr uint32_t kIconColours[] = {0x2060E0, 0xE02020, 0x20A040};  // 0xRRGGBB
constexpr COLORREF kBackground = RGB(250, 220, 40);
constexpr int kIdentifiedIcon = 1200;
constexpr int kTextId = 1201;
constexpr int kNamedIconId = 1202;

// A 32 x 32 image in 32 bits: columns 0-7 transparent, 8-15 half covered (alpha 128), the rest opaque.
icon_image edged_icon(uint32_t rgb) {
  icon_image im;
  im.width = im.height = 32;
  im.bit_count = 32;
  im.pixels.resize(32 * 32);
  im.mask.assign(32 * 32, 0);
  for (uint32_t y = 0; y < 32; ++y)
    for (uint32_t x = 0; x < 32; ++x) {
      const uint32_t alpha = x < 8 ? 0 : x < 16 ? 128 : 255;
      im.pixels[y * 32 + x] = (alpha << 24) | rgb;
      im.mask[y * 32 + x] = alpha == 0;
    }
  return im;
}

item_spec icon_item(uint32_t id, uint16_t group, int16_t x) {
  return {SS_ICON | WS_CHILD | WS_VISIBLE, id, nullptr, 0x0082, nullptr, group, x, 7, 21, 20, {}};
}

// An extended template with DS_SETFONT: three icon statics (two without an id), a text static and an
// icon static whose title is a name rather than a group number.
bytes test_template() {
  template_spec t;
  t.extended = true;
  t.style = DS_SETFONT | WS_POPUP | WS_VISIBLE;
  t.cx = 200;
  t.cy = 60;
  t.items.push_back(icon_item(0xFFFFFFFF, static_cast<uint16_t>(kGroups[0]), 7));
  t.items.push_back(
      {SS_LEFT | WS_CHILD | WS_VISIBLE, kTextId, nullptr, 0x0082, "Icons", 0, 40, 40, 60, 8, {}});
  t.items.push_back(icon_item(kIdentifiedIcon, static_cast<uint16_t>(kGroups[1]), 40));
  t.items.push_back(icon_item(0xFFFFFFFF, static_cast<uint16_t>(kGroups[2]), 73));
  t.items.push_back(
      {SS_ICON | WS_CHILD | WS_VISIBLE, kNamedIconId, nullptr, 0x0082, "NAMED", 0, 106, 7, 21, 20, {}});
  return resource_fixture::template_bits(t);
}

// The test's resource library: the template and three icon groups of one 32 x 32 image each.
HMODULE test_resources(ui_fixture::resource_module* module) {
  if (!module->add(5, kTemplate, test_template())) return nullptr;
  for (int i = 0; i < 3; ++i) {
    bytes bits = resource_fixture::icon_bits(edged_icon(kIconColours[i]));
    const uint16_t icon_id = static_cast<uint16_t>(kFirstIcon + i);
    if (!module->add(3, icon_id, bits)) return nullptr;
    if (!module->add(
            14, kGroups[i],
            resource_fixture::group_bits({{32, 32, 32, static_cast<uint32_t>(bits.size()), icon_id}})))
      return nullptr;
  }
  return module->load();
}

HBRUSH background_brush() {
  static HBRUSH brush = CreateSolidBrush(kBackground);
  return brush;
}

INT_PTR CALLBACK coloured_dialog(HWND, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_CTLCOLORDLG) return reinterpret_cast<INT_PTR>(background_brush());
  return FALSE;
}

void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

std::vector<HWND> children_of(HWND dialog) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

icon_static* icon_of(HWND control) { return dynamic_cast<icon_static*>(windows_bound().find(control)); }

// What the control shows on the screen, read back from its window: pixel (x, y) of its client area.
class shown_pixels {
 public:
  explicit shown_pixels(HWND control) : pixels_(32, 32, RGB(0, 0, 0)) {
    HDC dc = GetDC(control);
    BitBlt(pixels_.dc(), 0, 0, 32, 32, dc, 0, 0, SRCCOPY);
    ReleaseDC(control, dc);
  }
  COLORREF at(int x, int y) const { return pixels_.at(x, y); }

 private:
  ui_fixture::canvas pixels_;
};

COLORREF rgb_of(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// The blend of one channel: divisor 255 for an image frame (draw_frame), 256 for an icon handle
// (draw_icon_alpha).
int blend(int source, int alpha, int back, int divisor) {
  return (source * alpha + back * (255 - alpha)) / divisor;
}

COLORREF blended(COLORREF source, int alpha, COLORREF back, int divisor = 255) {
  return RGB(blend(GetRValue(source), alpha, GetRValue(back), divisor),
             blend(GetGValue(source), alpha, GetGValue(back), divisor),
             blend(GetBValue(source), alpha, GetBValue(back), divisor));
}

COLORREF grey_of(COLORREF c) {
  const int g = (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 6 + 128;
  return RGB(g, g, g);
}

COLORREF faded_of(COLORREF c) {
  const int g = (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 6 + 128;
  return RGB((GetRValue(c) + 2 * g) / 3, (GetGValue(c) + 2 * g) / 3, (GetBValue(c) + 2 * g) / 3);
}

class IconStatics : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = test_resources(&resources_);
    ASSERT_NE(module_, nullptr);
    dialog_ = CreateDialogParamA(module_, MAKEINTRESOURCEA(kTemplate), nullptr, coloured_dialog, 0);
    ASSERT_NE(dialog_, nullptr);
    SetWindowPos(dialog_, HWND_TOP, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    pump();
  }
  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
  }
  void repaint() {
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump();
  }

  ui_fixture::resource_module resources_;
  HMODULE module_ = nullptr;
  HWND dialog_ = nullptr;
};

}  // namespace

TEST_F(IconStatics, ExtendedTemplateGetsThreeIconStaticsOf32Pixels) {
  const std::vector<HWND> before = children_of(dialog_);
  ASSERT_EQ(before.size(), 5u);
  ASSERT_TRUE(replace_dialog_icons(dialog_, module_, kTemplate, module_));
  const size_t icons[] = {0, 2, 3};
  for (int i = 0; i < 3; ++i) {
    HWND control = before[icons[i]];
    icon_static* icon = icon_of(control);
    ASSERT_NE(icon, nullptr) << "icon " << i;
    EXPECT_TRUE(icon->subclassed()) << "icon " << i;
    EXPECT_TRUE(icon->delete_when_destroyed()) << "icon " << i;
    RECT client;
    GetClientRect(control, &client);
    EXPECT_EQ(client.right, 32) << "icon " << i;
    EXPECT_EQ(client.bottom, 32) << "icon " << i;
    ASSERT_NE(icon->image(), nullptr) << "icon " << i;
    ASSERT_EQ(icon->image()->frame_count, 1u) << "icon " << i;
    // The image is the group's: an opaque pixel of the right half carries its colour.
    const uint8_t* px = icon->image()->frame(0) + (5 * 32 + 20) * 4;
    EXPECT_EQ(RGB(px[2], px[1], px[0]), rgb_of(kIconColours[i])) << "icon " << i;
    EXPECT_EQ(px[3], 255) << "icon " << i;
  }
  EXPECT_EQ(before[2], GetDlgItem(dialog_, kIdentifiedIcon));
  EXPECT_EQ(windows_bound().find(before[1]), nullptr) << "a text static stays as it is";
  EXPECT_EQ(windows_bound().find(before[4]), nullptr) << "an icon named by a string stays as it is";

  // Running it again binds nothing twice.
  icon_static* first = icon_of(before[0]);
  EXPECT_TRUE(replace_dialog_icons(dialog_, module_, kTemplate, module_));
  EXPECT_EQ(icon_of(before[0]), first);
}

TEST_F(IconStatics, MissingTemplateIsRefused) {
  EXPECT_FALSE(replace_dialog_icons(dialog_, module_, kTemplate + 1, module_));
  for (HWND child : children_of(dialog_)) EXPECT_EQ(windows_bound().find(child), nullptr);
}

TEST_F(IconStatics, PaintsSmoothEdgesOverTheBackgroundInEachLook) {
  ASSERT_TRUE(replace_dialog_icons(dialog_, module_, kTemplate, module_));
  const std::vector<HWND> controls = children_of(dialog_);
  icon_static* icons[] = {icon_of(controls[0]), icon_of(controls[2]), icon_of(controls[3])};
  for (icon_static* icon : icons) ASSERT_NE(icon, nullptr);
  icons[1]->set_look(kDrawGrey);
  icons[2]->set_look(kDrawFaded);
  repaint();
  for (int i = 0; i < 3; ++i) {
    const COLORREF colour = rgb_of(kIconColours[i]);
    const COLORREF looked = i == 0 ? colour : i == 1 ? grey_of(colour) : faded_of(colour);
    shown_pixels shown(icons[i]->window());
    EXPECT_EQ(shown.at(3, 10), kBackground) << "icon " << i << ": transparent column";
    EXPECT_EQ(shown.at(12, 10), blended(looked, 128, kBackground)) << "icon " << i << ": half-covered column";
    EXPECT_EQ(shown.at(25, 10), looked) << "icon " << i << ": opaque column";
  }
  // Painting again starts from the background, not from the last blend.
  repaint();
  shown_pixels again(icons[0]->window());
  EXPECT_EQ(again.at(12, 10), blended(rgb_of(kIconColours[0]), 128, kBackground));
}

TEST_F(IconStatics, MessagesSetAndClearTheIcon) {
  ASSERT_TRUE(replace_dialog_icons(dialog_, module_, kTemplate, module_));
  HWND control = children_of(dialog_)[0];
  icon_static* icon = icon_of(control);
  ASSERT_NE(icon, nullptr);

  // The alpha-icon message takes another group.
  EXPECT_EQ(SendMessageA(control, kSetAlphaIconMessage, reinterpret_cast<WPARAM>(module_), kGroups[2]), 1);
  ASSERT_NE(icon->image(), nullptr);
  const uint8_t* px = icon->image()->frame(0) + (5 * 32 + 20) * 4;
  EXPECT_EQ(RGB(px[2], px[1], px[0]), rgb_of(kIconColours[2]));

  // A group that does not exist leaves an image without frames, which paints nothing.
  SendMessageA(control, kSetAlphaIconMessage, reinterpret_cast<WPARAM>(module_), 999);
  ASSERT_NE(icon->image(), nullptr);
  EXPECT_EQ(icon->image()->frame_count, 0u);
  repaint();
  EXPECT_EQ(shown_pixels(control).at(25, 10), kBackground);

  // STM_SETICON drops the image: the static's own icon is drawn through draw_icon_alpha.
  HICON own = static_cast<HICON>(LoadImageA(module_, MAKEINTRESOURCEA(kGroups[1]), IMAGE_ICON, 32, 32, 0));
  ASSERT_NE(own, nullptr);
  SendMessageA(control, STM_SETICON, reinterpret_cast<WPARAM>(own), 0);
  EXPECT_EQ(icon->image(), nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(control, STM_GETICON, 0, 0)), own);
  repaint();
  shown_pixels shown(control);
  const COLORREF colour = rgb_of(kIconColours[1]);
  EXPECT_EQ(shown.at(25, 10), blended(colour, 255, kBackground, 256));
  EXPECT_EQ(shown.at(12, 10), blended(colour, 128, kBackground, 256));
  EXPECT_EQ(shown.at(3, 10), blended(colour, 0, kBackground, 256));

  // A null group clears the static.
  SendMessageA(control, kSetAlphaIconMessage, reinterpret_cast<WPARAM>(module_), 0);
  EXPECT_EQ(icon->image(), nullptr);
  EXPECT_EQ(SendMessageA(control, STM_GETICON, 0, 0), 0);
  DestroyIcon(own);
}

TEST(ResourceLibraryDialogs, EachTemplateGetsItsIconStatic) {
  HMODULE library = LoadLibraryA((testing_support::program_folder() + "rk_gui.dll").c_str());
  ASSERT_NE(library, nullptr);
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  HWND parent =
      CreateWindowExA(0, "static", "parent", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  const unsigned groups[] = {IDI_RULE_EDIT, IDI_WHITE_LIST, IDI_BLACK_LIST};
  for (int i = 0; i < 3; ++i) {
    const unsigned id = IDD_RULE_EDIT + i;
    HWND dialog = CreateDialogParamA(library, MAKEINTRESOURCEA(id), parent, coloured_dialog, 0);
    ASSERT_NE(dialog, nullptr) << "template " << id;
    ASSERT_TRUE(replace_dialog_icons(dialog, library, id, library)) << "template " << id;
    int replaced = 0;
    for (HWND child : children_of(dialog)) {
      icon_static* icon = icon_of(child);
      if (!icon) continue;
      ++replaced;
      RECT client;
      GetClientRect(child, &client);
      EXPECT_EQ(client.right, 32) << "template " << id;
      EXPECT_EQ(client.bottom, 32) << "template " << id;
      ASSERT_NE(icon->image(), nullptr);
      ASSERT_EQ(icon->image()->frame_count, 1u) << "template " << id;
      // The 32-bit image of the group is taken, edges and all: some pixels are partly covered.
      int partial = 0;
      for (uint32_t p = 0; p < 32 * 32; ++p) {
        const uint8_t alpha = icon->image()->frame(0)[p * 4 + 3];
        partial += alpha > 0 && alpha < 255;
      }
      EXPECT_GT(partial, 0) << "template " << id;
      xpimage expected(32, 32, 1, 1);
      ASSERT_EQ(load_group_icon(&expected, library, groups[i]), 0);
      EXPECT_EQ(memcmp(expected.frame(0), icon->image()->frame(0), expected.frame_bytes()), 0)
          << "template " << id;
    }
    EXPECT_EQ(replaced, 1) << "template " << id;
    DestroyWindow(dialog);
  }
  DestroyWindow(parent);
  FreeLibrary(library);
}
