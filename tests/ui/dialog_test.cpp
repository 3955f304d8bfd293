// Dialogs and pages on real windows, from the templates of dialog_test.rc: a modal dialog bound at
// WM_INITDIALOG and ended by a user's click or key, only the whole wparam IDOK or IDCANCEL ending it,
// its lists filled from dialog init data (whole and cut short), help requests passed on to context
// help, a page's notifications routed to its slots with a nonzero answer kept in DWLP_MSGRESULT, and
// strings loaded from the resource instance.
#include "ui/framework/dialog_base.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/support/ui_driver.h"
#include "tests/ui/dialog_test_ids.h"
#include "tests/ui/dialog_fixture.h"
#include "ui/framework/activation_context.h"
#include "ui/framework/gui_module.h"
#include "ui/framework/window_registry.h"

namespace {

typedef std::vector<std::string> event_log;

class recording_dialog : public dialog_base {
 public:
  recording_dialog(unsigned id, event_log* log) : dialog_base(id), log_(log) {}
  void note(const std::string& what) { log_->push_back(what); }
  LRESULT on_init_dialog() override {
    note("init_dialog");
    return dialog_base::on_init_dialog();
  }
  // Commands naming IDOK or IDCANCEL only: focus notifications of the other controls vary.
  LRESULT on_command(WPARAM wparam) override {
    const LRESULT answer = dialog_base::on_command(wparam);
    if (LOWORD(wparam) != IDOK && LOWORD(wparam) != IDCANCEL) return answer;
    char line[64];
    snprintf(line, sizeof(line), "command %#llx -> %lld", static_cast<unsigned long long>(wparam),
             static_cast<long long>(answer));
    note(line);
    return answer;
  }
  void on_ok() override {
    note("ok");
    dialog_base::on_ok();
  }
  void on_cancel() override {
    note("cancel");
    dialog_base::on_cancel();
  }
  void end_dialog(int result) override {
    note("end " + std::to_string(result));
    dialog_base::end_dialog(result);
  }

 private:
  event_log* log_;
};

std::vector<std::string> list_items(HWND control, UINT count_message, UINT text_message) {
  std::vector<std::string> items;
  const LRESULT count = SendMessageA(control, count_message, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[128] = {};
    SendMessageA(control, text_message, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  return items;
}

// A combo box ex keeps its items' texts itself.
std::vector<std::string> combo_ex_items(HWND control) {
  std::vector<std::string> items;
  const LRESULT count = SendMessageA(control, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[128] = {};
    COMBOBOXEXITEMA item = {};
    item.mask = CBEIF_TEXT;
    item.iItem = i;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(control, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    items.push_back(text);
  }
  return items;
}

std::string join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& s : items) out += (out.empty() ? "" : ",") + s;
  return out;
}

}  // namespace

TEST(Dialog, BoundAtInitFilledFromInitDataAndEndedByTheUser) {
  test_module();
  // How a user ends the dialog, and the result it must give.
  struct row {
    const char* what;
    int control;  // clicked, or 0 for the key
    WORD key;
    bool alt;
    int result;
  } rows[] = {
      {"click on OK", IDOK, 0, false, IDOK},
      {"click on Cancel", IDCANCEL, 0, false, IDCANCEL},
      {"Enter in the name field", 0, VK_RETURN, false, IDOK},
      {"Escape", 0, VK_ESCAPE, false, IDCANCEL},
      {"Alt+F4", 0, VK_F4, true, IDCANCEL},
  };
  for (const row& r : rows) {
    event_log log;
    recording_dialog dialog(IDD_MODAL, &log);
    std::string combo, list, combo_ex;
    HWND seen = nullptr;
    ui_driver::driver drive([&](ui_driver::driver& d) {
      HWND window = ui_driver::find_window("#32770", "Modal test");
      if (!d.check(window != nullptr, "the dialog did not show")) return;
      seen = window;
      combo = join(list_items(GetDlgItem(window, IDC_COMBO), CB_GETCOUNT, CB_GETLBTEXT));
      list = join(list_items(GetDlgItem(window, IDC_LIST), LB_GETCOUNT, LB_GETTEXT));
      combo_ex = join(combo_ex_items(GetDlgItem(window, IDC_COMBO_EX)));
      if (r.control) {
        d.check(ui_driver::click(GetDlgItem(window, r.control)), "click");
      } else {
        ui_driver::click(GetDlgItem(window, IDC_NAME));  // the focus in the name field
        d.check(ui_driver::press_key(r.key, false, false, r.alt), "key");
      }
      d.check(ui_driver::wait_closed(window), std::string(r.what) + " did not close the dialog");
    });
    const INT_PTR result = dialog.do_modal(nullptr);
    drive.join();
    EXPECT_EQ(drive.problems(), std::vector<std::string>()) << r.what;
    EXPECT_EQ(result, r.result) << r.what;
    EXPECT_EQ(dialog.modal_result(), r.result) << r.what;
    EXPECT_EQ(dialog.window(), nullptr) << r.what << ": unbound at WM_NCDESTROY";
    EXPECT_EQ(windows_bound().find(seen), nullptr) << r.what;
    const char* ender = r.result == IDOK ? "ok" : "cancel";
    const std::string command = "command 0x" + std::to_string(r.result) + " -> 1";
    EXPECT_EQ(log, (event_log{"init_dialog", ender, "end " + std::to_string(r.result), command})) << r.what;
    // The code 0x0C is not an adding code and is skipped; "Zeta" had no terminating zero.
    EXPECT_EQ(combo, "Alpha,Gamma") << r.what;
    EXPECT_EQ(list, "Beta,Zeta") << r.what;
    EXPECT_EQ(combo_ex, "Epsilon") << r.what;
  }
}

TEST(Dialog, OnlyTheWholeWparamOfOkOrCancelEndsIt) {
  test_module();
  // Commands that name IDOK or IDCANCEL with another notification code (1: from an accelerator)
  // and commands of other controls leave the dialog open and answer 0.
  const WPARAM keep_open[] = {MAKEWPARAM(IDOK, 1),           MAKEWPARAM(IDCANCEL, 1),
                              MAKEWPARAM(IDOK, BN_SETFOCUS), MAKEWPARAM(IDC_NAME, EN_CHANGE),
                              MAKEWPARAM(IDC_NAME, 0),       0x100000001ull};
  for (WPARAM ending : {static_cast<WPARAM>(IDOK), static_cast<WPARAM>(IDCANCEL)}) {
    event_log log;
    recording_dialog dialog(IDD_MODAL, &log);
    ui_driver::driver drive([&](ui_driver::driver& d) {
      HWND window = ui_driver::find_window("#32770", "Modal test");
      if (!d.check(window != nullptr, "the dialog did not show")) return;
      for (size_t i = 0; i < sizeof(keep_open) / sizeof(keep_open[0]); ++i) {
        const LRESULT answer = SendMessageA(window, WM_COMMAND, keep_open[i], 0);
        d.check(answer == 0, "answer to command " + std::to_string(i));
        d.check(IsWindowVisible(window) != FALSE, "closed by command " + std::to_string(i));
      }
      d.check(SendMessageA(window, WM_COMMAND, ending, 0) == 1, "answer to the ending command");
      d.check(ui_driver::wait_closed(window), "not closed by the whole wparam");
    });
    const INT_PTR result = dialog.do_modal(nullptr);
    drive.join();
    EXPECT_EQ(drive.problems(), std::vector<std::string>()) << ending;
    EXPECT_EQ(result, static_cast<INT_PTR>(ending));
    const std::string end = ending == IDOK ? "ok" : "cancel";
    EXPECT_EQ(
        log, (event_log{"init_dialog", "command 0x10001 -> 0", "command 0x10002 -> 0", "command 0x60001 -> 0",
                        "command 0x100000001 -> 0", end, "end " + std::to_string(ending),
                        "command 0x" + std::to_string(ending) + " -> 1"}))
        << "the high half of a 64-bit wparam counts too";
  }
}

TEST(Dialog, HelpRequestsGoToContextHelpWithTheControlsId) {
  test_module();
  event_log log;
  recording_dialog dialog(IDD_MODAL, &log);
  help_stand_in::requests().clear();
  HWND seen = nullptr;
  ui_driver::driver drive([&](ui_driver::driver& d) {
    HWND window = ui_driver::find_window("#32770", "Modal test");
    if (!d.check(window != nullptr, "the dialog did not show")) return;
    seen = window;
    // Every control carries the help id of its template item (the label shares its field's).
    d.check(GetWindowContextHelpId(GetDlgItem(window, IDC_NAME)) == HID_NAME, "help id of the name field");
    d.check(GetWindowContextHelpId(ui_driver::find_child(window, "Static", "&Name:")) == HID_NAME,
            "help id of the label");
    d.check(GetWindowContextHelpId(GetDlgItem(window, IDOK)) == 0, "help id of OK");
    d.check(GetWindowContextHelpId(window) == HID_MODAL, "help id of the dialog");
    // F1 in the name field: the system asks for help on the field, with its help id.
    d.check(ui_driver::click(GetDlgItem(window, IDC_NAME)), "click");
    d.check(ui_driver::press_key(VK_F1), "F1");
    ui_driver::wait_until([] { return !help_stand_in::requests().empty(); }, 3000);
    // A request as the title-bar help button makes it: any id and mouse position pass unchanged.
    HELPINFO info = {sizeof(info), HELPINFO_WINDOW, 0, nullptr, 0x3F2, {123, -45}};
    d.check(SendMessageA(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&info)) == 1, "answer to WM_HELP");
    ui_driver::click(GetDlgItem(window, IDCANCEL));
  });
  dialog.do_modal(nullptr);
  drive.join();
  EXPECT_EQ(drive.problems(), std::vector<std::string>());
  const std::vector<help_stand_in::request>& calls = help_stand_in::requests();
  ASSERT_EQ(calls.size(), 2u);
  for (const help_stand_in::request& call : calls) {
    EXPECT_EQ(call.module, GetModuleHandleA(nullptr));
    EXPECT_EQ(call.window, seen);
  }
  EXPECT_EQ(calls[0].context_id, static_cast<unsigned>(HID_NAME));
  EXPECT_EQ(calls[1].context_id, 0x3F2u);
  EXPECT_EQ(calls[1].mouse.x, 123);
  EXPECT_EQ(calls[1].mouse.y, -45);
}

TEST(Dialog, TheRuleEditorOfTheResourceLibraryGetsItsListsAndHelpIds) {
  gui_module& gui = test_module();
  HMODULE library = LoadLibraryA((testing_support::program_folder() + "rk_gui.dll").c_str());
  ASSERT_NE(library, nullptr);
  gui.set_resource_instance(library);
  const unsigned kRuleEdit = 210;
  const int kPart = 1295, kOperator = 1296, kValue = 1297;
  const DWORD kValueHelp = 2101297;
  event_log log;
  recording_dialog dialog(kRuleEdit, &log);
  std::vector<std::string> parts, operators;
  DWORD value_help = 0;
  ui_driver::driver drive([&](ui_driver::driver& d) {
    HWND window = ui_driver::find_window("#32770", "Rule");
    if (!d.check(window != nullptr, "the rule editor did not show")) return;
    parts = list_items(GetDlgItem(window, kPart), CB_GETCOUNT, CB_GETLBTEXT);
    operators = list_items(GetDlgItem(window, kOperator), CB_GETCOUNT, CB_GETLBTEXT);
    value_help = GetWindowContextHelpId(GetDlgItem(window, kValue));
    d.check(ui_driver::bring_to_front(window), "to front");
    d.check(ui_driver::press_key(VK_ESCAPE), "Escape");
    d.check(ui_driver::wait_closed(window), "Escape did not close the rule editor");
  });
  EXPECT_EQ(dialog.do_modal(nullptr), IDCANCEL);
  drive.join();
  gui.set_resource_instance(gui.module_instance());
  FreeLibrary(library);
  EXPECT_EQ(drive.problems(), std::vector<std::string>());
  ASSERT_EQ(parts.size(), 8u);
  EXPECT_EQ(parts.front(), "Any part of the message");
  EXPECT_EQ(parts.back(), "Message text");
  ASSERT_EQ(operators.size(), 10u);
  EXPECT_EQ(operators.front(), "contains");
  EXPECT_EQ(operators.back(), "does not match the pattern");
  EXPECT_EQ(value_help, kValueHelp);
}

TEST(Dialog, InitDataCutShortFillsTheWholeEntriesOnly) {
  test_module();
  struct cut_dialog : dialog_base {
    cut_dialog() : dialog_base(IDD_MODAL_CUT) {}
    LRESULT on_init_dialog() override {
      whole = apply_dialog_init_data(window(), template_id());
      items = join(list_items(GetDlgItem(window(), IDC_COMBO), CB_GETCOUNT, CB_GETLBTEXT));
      // A template without init data is normal, and adds nothing.
      without = apply_dialog_init_data(window(), IDD_PAGE_SMALL);
      end_dialog(IDOK);
      return 0;
    }
    bool whole = true, without = false;
    std::string items;
  } dialog;
  EXPECT_EQ(dialog.do_modal(nullptr), IDOK);
  EXPECT_FALSE(dialog.whole);
  EXPECT_EQ(dialog.items, "Alpha");
  EXPECT_TRUE(dialog.without);
}

TEST(Dialog, DialogsAndSheetsRunInsideTheModulesActivationContext) {
  test_module();
  HANDLE context = module_activation_context();
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << "the test program carries a manifest of id 2";
  struct probe : dialog_base {
    probe() : dialog_base(IDD_MODAL_CUT) {}
    LRESULT on_init_dialog() override {
      GetCurrentActCtx(&active);
      end_dialog(IDOK);
      return 0;
    }
    HANDLE active = nullptr;
  } dialog;
  EXPECT_EQ(dialog.do_modal(nullptr), IDOK);
  EXPECT_EQ(dialog.active, context);
  HANDLE outside = nullptr;
  GetCurrentActCtx(&outside);
  EXPECT_NE(outside, context) << "the context is active only around the calls";
  if (dialog.active) ReleaseActCtx(dialog.active);
  if (outside) ReleaseActCtx(outside);
  // The sheet's entry point comes from the common controls of version 6, and is looked up once.
  property_sheet_fn entry = property_sheet_entry();
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(property_sheet_entry(), entry);
  HMODULE library = nullptr;
  ASSERT_TRUE(GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(entry)), &library));
  // A difference of Wine: its version 6 library answers DllGetVersion with the numbers of version
  // 5, so the side-by-side folder it was loaded from tells them apart.
  char path[MAX_PATH] = {};
  GetModuleFileNameA(library, path, MAX_PATH);
  EXPECT_NE(strstr(path, "\\winsxs\\"), nullptr) << path;
  EXPECT_NE(strstr(path, "common-controls_6595b64144ccf1df_6.0."), nullptr) << path;
}

TEST(Dialog, MissingTemplateMakesNoDialogAndNoPageRecord) {
  test_module();
  event_log log;
  recording_dialog dialog(IDD_MISSING, &log);
  EXPECT_LE(dialog.do_modal(nullptr), 0);
  EXPECT_EQ(dialog.window(), nullptr);
  EXPECT_EQ(dialog.modal_result(), -2);
  EXPECT_TRUE(log.empty());
  PROPSHEETPAGEA record;
  memset(&record, 0xCC, sizeof(record));
  EXPECT_FALSE(dialog.fill_page_record(&record));
  const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
  for (size_t i = 0; i < sizeof(record); ++i) ASSERT_EQ(bytes[i], 0xCC) << "byte " << i;

  recording_dialog page(IDD_PAGE_SMALL, &log);
  ASSERT_TRUE(page.fill_page_record(&record));
  EXPECT_EQ(record.dwSize, 96u);
  EXPECT_EQ(record.dwFlags, static_cast<DWORD>(PSP_DLGINDIRECT));
  EXPECT_EQ(record.hInstance, GetModuleHandleA(nullptr));
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_PAGE_SMALL), MAKEINTRESOURCEA(5));
  EXPECT_EQ(record.pResource, LockResource(LoadResource(nullptr, found))) << "the template is used in place";
  EXPECT_EQ(record.pszTitle, nullptr);
  EXPECT_EQ(record.pfnDlgProc, page_dialog_procedure);
  EXPECT_EQ(record.lParam, reinterpret_cast<LPARAM>(static_cast<dialog_base*>(&page)));
  EXPECT_EQ(record.pfnCallback, nullptr);
}

namespace {

// A page made by the dialog manager as the sheet makes it (the page procedure, the record as the
// creation parameter), under a parent that records the sheet messages the page sends.
class answering_page : public property_page {
 public:
  answering_page(event_log* log) : property_page(IDD_PAGE_SMALL), log_(log) {}
  LRESULT answer = 0;
  LRESULT on_wizard_next() override { return noted("wizard_next"); }
  LRESULT on_wizard_back() override { return noted("wizard_back"); }
  LRESULT on_wizard_finish() override { return noted("wizard_finish"); }
  LRESULT on_set_active() override { return noted("set_active"); }
  LRESULT on_kill_active() override { return noted("kill_active"); }
  LRESULT on_query_cancel() override { return noted("query_cancel"); }
  void on_ok() override {
    log_->push_back("ok");
    property_page::on_ok();
  }

 private:
  LRESULT noted(const char* what) {
    log_->push_back(what);
    return answer;
  }
  event_log* log_;
};

class sheet_stand_in : public window_base {
 public:
  explicit sheet_stand_in(event_log* log) : log_(log) {}
  LRESULT on_reflected_message(const MSG* parent, int*) override {
    log_->push_back("reflected to sheet " +
                    std::to_string(static_cast<int>(reinterpret_cast<const NMHDR*>(parent->lParam)->code)));
    return 0;
  }
  LRESULT process_message(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == PSM_CHANGED || message == PSM_UNCHANGED)
      log_->push_back((message == PSM_CHANGED ? "changed " : "unchanged ") +
                      std::string(reinterpret_cast<HWND>(wparam) == page_ ? "page" : "?"));
    return window_base::process_message(message, wparam, lparam);
  }
  HWND page_ = nullptr;

 private:
  event_log* log_;
};

}  // namespace

TEST(PropertyPage, NotificationsReachTheirSlotsAndANonzeroAnswerIsKept) {
  test_module();
  event_log log;
  sheet_stand_in sheet(&log);
  ASSERT_TRUE(sheet.create(WS_OVERLAPPEDWINDOW, RECT{0, 0, 400, 300}, "sheet", nullptr, nullptr, nullptr, 0));
  answering_page page(&log);
  PROPSHEETPAGEA record;
  ASSERT_TRUE(page.fill_page_record(&record));
  HWND window = CreateDialogIndirectParamA(record.hInstance, record.pResource, sheet.window(),
                                           page_dialog_procedure, reinterpret_cast<LPARAM>(&record));
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(page.window(), window) << "bound at WM_INITDIALOG through the record";
  sheet.page_ = window;
  const LONG_PTR kSentinel = 0x5EEDBEEF;
  struct row {
    UINT code;
    LRESULT answer;
    LRESULT result;
    LONG_PTR msg_result;  // what DWLP_MSGRESULT holds afterwards
    event_log expected;
  } rows[] = {
      // A zero answer goes on to the dialog manager, which clears the word itself.
      {PSN_SETACTIVE, 0, 0, 0, {"set_active", "reflected to sheet -200"}},
      {PSN_KILLACTIVE, 1, 1, 1, {"kill_active"}},
      {PSN_WIZNEXT, -1, -1, -1, {"wizard_next"}},
      {PSN_WIZBACK, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, {"wizard_back"}},
      // The answer is kept as the 32-bit value it is, sign-extended: not its high half.
      {PSN_WIZFINISH,
       static_cast<LRESULT>(0x80000001u),
       static_cast<LRESULT>(0x80000001u),
       static_cast<LONG_PTR>(static_cast<int>(0x80000001u)),
       {"wizard_finish"}},
      {PSN_QUERYCANCEL, 0x100000002ll, 0x100000002ll, 2, {"query_cancel"}},
      // Apply clears the page's changed state before the (unrouted) code is reflected.
      {PSN_APPLY, 0, 0, 0, {"ok", "unchanged page", "reflected to sheet -202"}},
      {PSN_HELP, 0, 0, 0, {"reflected to sheet -205"}},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    const row& r = rows[i];
    log.clear();
    page.answer = r.answer;
    SetWindowLongPtrA(window, DWLP_MSGRESULT, kSentinel);
    NMHDR header = {sheet.window(), 0, r.code};
    EXPECT_EQ(SendMessageA(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)), r.result) << "row " << i;
    EXPECT_EQ(GetWindowLongPtrA(window, DWLP_MSGRESULT), r.msg_result) << "row " << i;
    EXPECT_EQ(log, r.expected) << "row " << i;
  }
  // Apply comes from the sheet (control id 0) only; set_modified tells the sheet either way.
  log.clear();
  NMHDR from_control = {sheet.window(), 5, PSN_APPLY};
  SendMessageA(window, WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&from_control));
  page.set_modified(true);
  EXPECT_EQ(log, (event_log{"reflected to sheet -202", "changed page"}));
  DestroyWindow(window);
  EXPECT_EQ(page.window(), nullptr);
  DestroyWindow(sheet.window());
}

TEST(LoadString, FromTheGivenOrTheResourceInstance) {
  test_module();
  const unsigned kSheetTitle = 524;
  HMODULE exe = GetModuleHandleA(nullptr);
  // The resource library holds the sheet's title; the test program does not.
  HMODULE library = LoadLibraryExA((testing_support::program_folder() + "rk_gui.dll").c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(library, nullptr);
  char expected_long[1024] = {};
  ASSERT_GT(LoadStringA(exe, IDS_LONG, expected_long, sizeof(expected_long)), 300);
  struct row {
    unsigned id;
    HINSTANCE instance;
    std::string expected;
  } rows[] = {
      {IDS_SHORT, exe, "Short"},
      {IDS_SHORT, nullptr, "Short"},  // the resource instance: the test program
      {IDS_CANCEL, nullptr, "&Leave"},
      {IDS_LONG, nullptr, expected_long},
      {IDS_MISSING, nullptr, ""},
      {IDS_SHORT, library, ""},
      {kSheetTitle, library, "Antispam settings"},
      {kSheetTitle, nullptr, ""},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    text got = load_string(rows[i].id, rows[i].instance);
    EXPECT_EQ(std::string(got.c_str()), rows[i].expected) << "row " << i;
    EXPECT_EQ(got.size(), rows[i].expected.size()) << "row " << i;
  }
  FreeLibrary(library);
}
