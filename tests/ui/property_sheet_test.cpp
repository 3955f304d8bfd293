// The property sheet on real windows, driven as a user would from a second thread: pages of different
// template sizes (standard and extended) all shown with the largest size, a page that refuses to be
// left, Apply saving a changed page, button captions from the string table, and the sheet centred on
// its parent, or on the desktop when the parent is hidden.
#include "ui/framework/property_sheet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/ui_driver.h"
#include "tests/ui/dialog_test_ids.h"
#include "tests/ui/dialog_fixture.h"
#include "ui/framework/dialog_base.h"
#include "ui/framework/dialog_template.h"
#include "ui/framework/gui_module.h"

namespace {

typedef std::vector<std::string> event_log;

constexpr int kApplyButton = 12321;  // the sheet's Apply

// Records what the sheet asks of it. On a page with the refuse box, leaving is refused while the box
// is ticked; typing in its name field marks the page changed.
class test_page : public settings_page {
 public:
  test_page(unsigned id, const char* name, event_log* log) : settings_page(id), name_(name), log_(log) {}
  LRESULT on_set_active() override {
    note("set_active");
    return 0;
  }
  LRESULT on_kill_active() override {
    const LRESULT refuse = IsDlgButtonChecked(window(), IDC_PAGE_REFUSE) == BST_CHECKED ? 1 : 0;
    note("kill_active -> " + std::to_string(refuse));
    return refuse;
  }
  // What DWLP_MSGRESULT holds when the sheet gets the answer to PSN_KILLACTIVE.
  LRESULT process_message(UINT message, WPARAM wparam, LPARAM lparam) override {
    HWND page = window();
    const LRESULT result = settings_page::process_message(message, wparam, lparam);
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lparam)->code == PSN_KILLACTIVE)
      kill_msg_results.push_back(GetWindowLongPtrA(page, DWLP_MSGRESULT));
    return result;
  }
  LRESULT on_command(WPARAM wparam) override {
    if (wparam == MAKEWPARAM(IDC_PAGE_EDIT, EN_CHANGE)) set_modified(true);
    return settings_page::on_command(wparam);
  }
  void save_settings() override {
    char text[64] = {};
    GetDlgItemTextA(window(), IDC_PAGE_EDIT, text, sizeof(text));
    note(std::string("save_settings ") + text);
  }

  std::vector<LONG_PTR> kill_msg_results;

 private:
  void note(const std::string& what) { log_->push_back(name_ + " " + what); }
  std::string name_;
  event_log* log_;
};

struct page_spec {
  unsigned id;
  const char* name;
};

// A sheet over the given pages, all records filled.
struct test_sheet {
  test_sheet(const char* caption, const std::vector<page_spec>& wanted, event_log* log) {
    test_module();
    sheet.set_caption(caption);
    sheet.set_page_count(static_cast<unsigned>(wanted.size()));
    for (size_t i = 0; i < wanted.size(); ++i) {
      pages.emplace_back(new test_page(wanted[i].id, wanted[i].name, log));
      EXPECT_TRUE(pages.back()->fill_page_record(sheet.page(static_cast<unsigned>(i)))) << wanted[i].name;
    }
  }
  ~test_sheet() {
    for (test_page* p : pages) delete p;
  }
  property_sheet sheet;
  std::vector<test_page*> pages;
};

HWND current_page(HWND sheet) {
  return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// A real click on the tab of a page, then waits for the sheet to show the page (or not).
bool click_tab(HWND sheet, int index) {
  HWND tabs = ui_driver::find_child(sheet, "SysTabControl32", nullptr);
  RECT r = {};
  if (!tabs || !SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r))) return false;
  MapWindowPoints(tabs, nullptr, reinterpret_cast<POINT*>(&r), 2);
  ui_driver::bring_to_front(sheet);
  return ui_driver::click_at(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

SIZE client_size(HWND window) {
  RECT r = {};
  GetClientRect(window, &r);
  return SIZE{r.right, r.bottom};
}

}  // namespace

TEST(PropertySheet, PagesOfDifferentTemplateSizesAllShowWithTheLargest) {
  event_log log;
  test_sheet t("Sizes", {{IDD_PAGE_SMALL, "small"}, {IDD_PAGE_WIDE, "wide"}, {IDD_PAGE_TALL, "tall"}}, &log);
  SIZE shown[3] = {};
  RECT expected = {0, 0, PAGE_WIDE_CX, PAGE_TALL_CY};  // the widest page's width, the tallest's height
  ui_driver::driver drive([&](ui_driver::driver& d) {
    HWND sheet = ui_driver::find_window("#32770", "Sizes");
    if (!d.check(sheet != nullptr, "the sheet did not show")) return;
    for (int i = 0; i < 3; ++i) {
      d.check(click_tab(sheet, i), "click on tab " + std::to_string(i));
      HWND page = t.pages[i]->window();
      d.check(
          ui_driver::wait_until([&] { return page && current_page(sheet) == t.pages[i]->window(); }, 5000),
          "tab " + std::to_string(i) + " did not show its page");
      shown[i] = client_size(t.pages[i]->window());
    }
    MapDialogRect(t.pages[0]->window(), &expected);
    d.check(ui_driver::click(GetDlgItem(sheet, IDOK)), "click on OK");
    d.check(ui_driver::wait_closed(sheet), "OK did not close the sheet");
  });
  EXPECT_GT(t.sheet.do_modal(nullptr), 0);
  drive.join();
  EXPECT_EQ(drive.problems(), std::vector<std::string>());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(shown[i].cx, expected.right) << "page " << i;
    EXPECT_EQ(shown[i].cy, expected.bottom) << "page " << i;
    uint16_t w = 0, h = 0;
    ASSERT_TRUE(read_template_size(reinterpret_cast<const uint8_t*>(t.sheet.page(i)->pResource), 26, &w, &h));
    EXPECT_EQ(w, PAGE_WIDE_CX) << "page " << i;
    EXPECT_EQ(h, PAGE_TALL_CY) << "page " << i;
  }
}

TEST(PropertySheet, EqualizingSkipsWhatItCannotReadAndKeepsTheMinimum) {
  // Three templates in memory: standard, extended, and an extended one cut off by the end of
  // readable memory before its size.
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const size_t page = info.dwPageSize;
  auto* block = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_NE(block, nullptr);
  ASSERT_NE(VirtualAlloc(block, page, MEM_COMMIT, PAGE_READONLY), nullptr);
  uint8_t standard[18] = {0x40, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 0, 50, 0};
  uint8_t extended[26] = {1, 0, 0xFF, 0xFF};
  extended[22] = 80;
  extended[24] = 90;
  DWORD old;
  uint8_t* cut = block + page - 20;  // 20 of its 26 header bytes are readable
  VirtualProtect(block, page, PAGE_READWRITE, &old);
  memcpy(cut, extended, 20);
  VirtualProtect(block, page, PAGE_READONLY, &old);

  PROPSHEETPAGEA pages[4] = {};
  const uint8_t* templates[4] = {standard, extended, cut, standard};
  for (int i = 0; i < 4; ++i) {
    pages[i].dwSize = sizeof(PROPSHEETPAGEA);
    pages[i].dwFlags = PSP_DLGINDIRECT;
    pages[i].pResource = reinterpret_cast<LPCDLGTEMPLATEA>(templates[i]);
  }
  pages[3].dwFlags = 0;  // a template by id: not this function's business
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_PROPSHEETPAGE;
  header.nPages = 4;
  header.ppsp = pages;

  EXPECT_TRUE(equalize_page_sizes(&header, 0, 70));
  uint16_t w, h;
  ASSERT_TRUE(read_template_size(standard, sizeof(standard), &w, &h));
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 90);
  ASSERT_TRUE(read_template_size(extended, sizeof(extended), &w, &h));
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 90);
  EXPECT_EQ(memcmp(cut, extended, 20), 0) << "the cut template is left alone";

  EXPECT_TRUE(equalize_page_sizes(&header, 300, 10)) << "a minimum larger than every page";
  ASSERT_TRUE(read_template_size(extended, sizeof(extended), &w, &h));
  EXPECT_EQ(w, 300);
  EXPECT_EQ(h, 90);
  MEMORY_BASIC_INFORMATION memory;
  VirtualQuery(cut, &memory, sizeof(memory));
  EXPECT_EQ(memory.Protect, static_cast<DWORD>(PAGE_READONLY)) << "protection is put back";

  // No readable in-memory template, or no page records at all.
  PROPSHEETHEADERA only_cut = header;
  only_cut.ppsp = &pages[2];
  only_cut.nPages = 1;
  EXPECT_FALSE(equalize_page_sizes(&only_cut, 0, 0));
  header.dwFlags = 0;
  EXPECT_FALSE(equalize_page_sizes(&header, 0, 0));
  VirtualFree(block, 0, MEM_RELEASE);
}

TEST(PropertySheet, APageThatRefusesToBeLeftKeepsTheSheetOnIt) {
  event_log log;
  test_sheet t("Refusing", {{IDD_PAGE_SMALL, "small"}, {IDD_PAGE_WIDE, "wide"}}, &log);
  ui_driver::driver drive([&](ui_driver::driver& d) {
    HWND sheet = ui_driver::find_window("#32770", "Refusing");
    if (!d.check(sheet != nullptr, "the sheet did not show")) return;
    HWND small = t.pages[0]->window();
    HWND refuse = ui_driver::find_control(sheet, IDC_PAGE_REFUSE);
    d.check(ui_driver::click(refuse), "click on the refuse box");
    d.check(ui_driver::wait_until([&] { return SendMessageA(refuse, BM_GETCHECK, 0, 0) == BST_CHECKED; }),
            "the box did not tick");
    d.check(click_tab(sheet, 1), "click on the second tab");
    Sleep(300);
    d.check(current_page(sheet) == small, "the sheet left the refusing page");
    d.check(ui_driver::click(refuse), "click on the refuse box again");
    d.check(click_tab(sheet, 1), "click on the second tab again");
    d.check(ui_driver::wait_until(
                [&] { return t.pages[1]->window() && current_page(sheet) == t.pages[1]->window(); }),
            "the sheet stayed on the page that let it go");
    d.check(ui_driver::click(GetDlgItem(sheet, IDCANCEL)), "click on Cancel");
    d.check(ui_driver::wait_closed(sheet), "Cancel did not close the sheet");
  });
  EXPECT_EQ(t.sheet.do_modal(nullptr), 0) << "cancelled";
  drive.join();
  EXPECT_EQ(drive.problems(), std::vector<std::string>());
  // The refusal is kept in DWLP_MSGRESULT as well as answered; letting go leaves the word alone (the
  // dialog manager clears it).
  EXPECT_EQ(t.pages[0]->kill_msg_results, (std::vector<LONG_PTR>{1, 0}));
  EXPECT_EQ(log, (event_log{"small set_active", "small kill_active -> 1", "small kill_active -> 0",
                            "wide set_active"}));
}

TEST(PropertySheet, ApplySavesTheChangedPageAndClearsItsChangedState) {
  event_log log;
  test_sheet t("Applying", {{IDD_PAGE_SMALL, "small"}, {IDD_PAGE_TALL, "tall"}}, &log);
  bool enabled_after_typing = false, enabled_after_apply = true;
  ui_driver::driver drive([&](ui_driver::driver& d) {
    HWND sheet = ui_driver::find_window("#32770", "Applying");
    if (!d.check(sheet != nullptr, "the sheet did not show")) return;
    HWND apply = GetDlgItem(sheet, kApplyButton);
    d.check(!IsWindowEnabled(apply), "Apply is enabled before any change");
    d.check(ui_driver::click(ui_driver::find_control(sheet, IDC_PAGE_EDIT)), "click on the name field");
    d.check(ui_driver::type_text("Ann"), "typing");
    enabled_after_typing = ui_driver::wait_until([&] { return IsWindowEnabled(apply) != FALSE; }, 3000);
    d.check(ui_driver::click(apply), "click on Apply");
    ui_driver::wait_until([&] { return !IsWindowEnabled(apply); }, 3000);
    enabled_after_apply = IsWindowEnabled(apply) != FALSE;
    d.check(ui_driver::click(GetDlgItem(sheet, IDOK)), "click on OK");
    d.check(ui_driver::wait_closed(sheet), "OK did not close the sheet");
  });
  EXPECT_GT(t.sheet.do_modal(nullptr), 0);
  drive.join();
  EXPECT_EQ(drive.problems(), std::vector<std::string>());
  EXPECT_TRUE(enabled_after_typing) << "set_modified (true) enables Apply";
  EXPECT_FALSE(enabled_after_apply) << "the page's apply clears the changed state";
  // Apply and OK each leave the page first, then apply it; after Apply the sheet shows the page
  // again. The tall page was never made, so it is never applied.
  EXPECT_EQ(log, (event_log{"small set_active", "small kill_active -> 0", "small save_settings Ann",
                            "small set_active", "small kill_active -> 0", "small save_settings Ann"}));
}

TEST(PropertySheet, ButtonCaptionsComeFromTheStringTable) {
  // Back, Next and Finish exist in a wizard only. Each kind of sheet runs without and with string
  // ids; an id of 0 keeps the system's text.
  const int kButtons[] = {12323, 12324, 12325, IDCANCEL, 9};
  for (bool wizard : {false, true}) {
    std::string texts[2][5];
    for (int run = 0; run < 2; ++run) {
      event_log log;
      test_sheet t("Captions", {{IDD_PAGE_SMALL, "small"}}, &log);
      if (wizard) t.sheet.header().dwFlags |= PSH_WIZARD;
      if (run == 1) {
        t.sheet.set_button_text(sheet_button::back, IDS_BACK);
        t.sheet.set_button_text(sheet_button::finish, IDS_FINISH);
        t.sheet.set_button_text(sheet_button::cancel, IDS_CANCEL);
      }
      ui_driver::driver drive([&](ui_driver::driver& d) {
        // A wizard shows its page's title.
        HWND sheet = ui_driver::find_window("#32770", wizard ? "Small" : "Captions");
        if (!d.check(sheet != nullptr, "the sheet did not show")) return;
        d.check(t.sheet.window() == sheet && t.sheet.subclassed(), "the sheet is bound by subclassing");
        for (int i = 0; i < 5; ++i) texts[run][i] = ui_driver::window_text(GetDlgItem(sheet, kButtons[i]));
        d.check(ui_driver::bring_to_front(sheet), "to front");
        d.check(ui_driver::press_key(VK_ESCAPE), "Escape");
        d.check(ui_driver::wait_closed(sheet), "Escape did not close the sheet");
      });
      EXPECT_EQ(t.sheet.do_modal(nullptr), 0);
      drive.join();
      EXPECT_EQ(drive.problems(), std::vector<std::string>()) << "wizard " << wizard << " run " << run;
      EXPECT_EQ(t.sheet.window(), nullptr) << "unbound when the sheet went";
    }
    const std::string* baseline = texts[0];
    const std::string* replaced = texts[1];
    if (wizard) {
      EXPECT_EQ(replaced[0], "&Previous");
      EXPECT_EQ(replaced[2], "&Done");
      EXPECT_FALSE(baseline[1].empty());
    }
    EXPECT_EQ(replaced[1], baseline[1]) << "wizard " << wizard;
    EXPECT_EQ(replaced[3], "&Leave") << "wizard " << wizard;
    EXPECT_EQ(replaced[4], baseline[4]) << "wizard " << wizard;
    EXPECT_FALSE(baseline[3].empty()) << "wizard " << wizard;
    EXPECT_NE(baseline[3], "&Leave") << "wizard " << wizard;
  }
}

TEST(PropertySheet, CentredOnAVisibleParentOrElseOnTheDesktop) {
  struct row {
    const char* what;
    bool has_parent;
    bool parent_visible;
  } rows[] = {
      {"visible parent", true, true},
      {"hidden parent", true, false},
      {"no parent", false, false},
  };
  for (const row& r : rows) {
    event_log log;
    test_sheet t("Centred", {{IDD_PAGE_SMALL, "small"}, {IDD_PAGE_WIDE, "wide"}}, &log);
    // Off the screen's centre, so that centring on it differs from centring on the desktop.
    HWND parent = nullptr;
    if (r.has_parent) {
      parent = CreateWindowExA(0, "static", "parent", WS_OVERLAPPEDWINDOW, 30, 40, 500, 360, nullptr, nullptr,
                               nullptr, nullptr);
      ASSERT_NE(parent, nullptr);
      if (r.parent_visible) ShowWindow(parent, SW_SHOWNOACTIVATE);
    }
    RECT reference = {}, shown = {};
    GetWindowRect(r.parent_visible ? parent : GetDesktopWindow(), &reference);
    ui_driver::driver drive([&](ui_driver::driver& d) {
      HWND sheet = ui_driver::find_window("#32770", "Centred");
      if (!d.check(sheet != nullptr, "the sheet did not show")) return;
      GetWindowRect(sheet, &shown);
      // Showing another page does not move it again.
      d.check(click_tab(sheet, 1), "click on the second tab");
      RECT later;
      GetWindowRect(sheet, &later);
      d.check(EqualRect(&later, &shown) != FALSE, "moved at the second page");
      d.check(ui_driver::click(GetDlgItem(sheet, IDCANCEL)), "click on Cancel");
      d.check(ui_driver::wait_closed(sheet), "Cancel did not close the sheet");
    });
    t.sheet.do_modal(parent);
    drive.join();
    EXPECT_EQ(drive.problems(), std::vector<std::string>()) << r.what;
    EXPECT_TRUE(t.sheet.centred()) << r.what;
    const int width = shown.right - shown.left, height = shown.bottom - shown.top;
    EXPECT_EQ(shown.left, (reference.left + reference.right) / 2 - width / 2) << r.what;
    EXPECT_EQ(shown.top, (reference.top + reference.bottom) / 2 - height / 2) << r.what;
    if (parent) DestroyWindow(parent);
  }
}
