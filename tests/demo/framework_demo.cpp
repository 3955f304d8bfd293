// The framework's property sheet, shown for screenshots: three pages of different template sizes made
// as large as the largest, the controls of the smaller pages stretched to that width, and the resource
// library's icons drawn by icon statics over a coloured page in the normal, grey and faded looks.
// Arguments: the index of the page to show first (default 0); the seconds after which the sheet
// cancels itself (default 0: it stays until closed).
#include <windows.h>

#include <cstdlib>

#include "tests/demo/demo_ids.h"
#include "ui/framework/dialog_base.h"
#include "ui/framework/dialog_layout.h"
#include "ui/framework/gui_module.h"
#include "ui/framework/icon_static.h"
#include "ui/framework/property_sheet.h"
#include "ui/framework/window_registry.h"

namespace {

constexpr COLORREF kPageColour = RGB(196, 222, 242);
constexpr int kIconCount = 9;
constexpr uint32_t kLooks[] = {0, kDrawGrey, kDrawFaded};  // by column

// A page as the plug-in's pages are made: icon statics replaced, then controls fitted to the width.
class demo_page : public property_page {
 public:
  explicit demo_page(unsigned template_id) : property_page(template_id) {}
  LRESULT on_init_dialog() override {
    const LRESULT result = property_page::on_init_dialog();
    replace_dialog_icons(window(), resource_instance(), template_id(), resource_instance());
    stretch_dialog_controls(window());
    return result;
  }
};

// The icons on a coloured background, each column in its look.
class icons_page : public demo_page {
 public:
  icons_page() : demo_page(IDD_DEMO_ICONS), brush_(CreateSolidBrush(kPageColour)) {}
  ~icons_page() override { DeleteObject(brush_); }
  LRESULT on_init_dialog() override {
    const LRESULT result = demo_page::on_init_dialog();
    for (int i = 0; i < kIconCount; ++i) {
      auto* icon =
          dynamic_cast<icon_static*>(windows_bound().find(GetDlgItem(window(), IDC_DEMO_ICON_FIRST + i)));
      if (icon) icon->set_look(kLooks[i % 3]);
    }
    return result;
  }
  // The sheet's themed page background would cover the colour: the page paints its own.
  LRESULT on_erase_background(HDC dc) override {
    RECT client;
    GetClientRect(window(), &client);
    FillRect(dc, &client, brush_);
    return 1;
  }
  LRESULT on_ctl_color(UINT message, HWND control) override {
    if (message != WM_CTLCOLORDLG && message != WM_CTLCOLORSTATIC)
      return demo_page::on_ctl_color(message, control);
    HDC dc = reinterpret_cast<HDC>(current_message().wParam);
    SetBkColor(dc, kPageColour);
    return reinterpret_cast<LRESULT>(brush_);
  }

 private:
  HBRUSH brush_;
};

constexpr char kCaption[] = "Framework demo";

void CALLBACK close_sheet(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND sheet = FindWindowA("#32770", kCaption)) PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

}  // namespace

int main(int argc, char** argv) {
  gui_module module(GetModuleHandleA(nullptr));
  module.ensure_common_controls();
  property_sheet sheet;
  sheet.set_caption(kCaption);
  icons_page icons;
  demo_page fields(IDD_DEMO_FIELDS), notes(IDD_DEMO_NOTES);
  dialog_base* pages[] = {&icons, &fields, &notes};
  sheet.set_page_count(3);
  for (unsigned i = 0; i < 3; ++i)
    if (!pages[i]->fill_page_record(sheet.page(i))) return 2;
  sheet.header().dwFlags |= PSH_NOAPPLYNOW;
  sheet.header().nStartPage = argc > 1 ? static_cast<UINT>(std::atoi(argv[1])) % 3 : 0;
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 0;
  if (seconds > 0) SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, close_sheet);
  return sheet.do_modal(nullptr) < 0 ? 1 : 0;
}
