// The list pages and the rule edit dialog on their own, over a settings record and a folder of the
// test's: the white list page's hidden options and what its apply does to the record, and what the
// rule edit dialog shows and stores. Driven from a second thread with real input.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "settings/plugin_settings.h"
#include "tests/support/test_support.h"
#include "tests/support/ui_driver.h"
#include "ui/framework/gui_module.h"
#include "ui/framework/resource_ids.h"
#include "ui/pages/list_pages.h"
#include "ui/pages/rule_edit_dialog.h"

using testing_support::file_exists;
using testing_support::program_folder;
using testing_support::scratch_folder;
using ui_driver::driver;

namespace {

// The resource library as the plug-in's resource source, and one settings record for the program.
class Pages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = new gui_module(GetModuleHandleA(nullptr));
    module_->set_resource_instance(LoadLibraryA((program_folder() + "rk_gui.dll").c_str()));
    module_->ensure_common_controls();
    record_ = new plugin_settings();
  }
  void SetUp() override {
    ASSERT_NE(nullptr, resource_instance());
    record_->working_directory = dir_.path().c_str();
  }

  // Runs the sheet with the white list page on this thread while steps work it.
  INT_PTR run_white_page(white_list_page& page, std::function<void(driver&)> steps) {
    configuration_sheet sheet;
    sheet.title_string_id = IDS_SHEET_TITLE;
    sheet.set_page_count(1);
    EXPECT_TRUE(page.fill_page_record(sheet.page(0)));
    driver d(std::move(steps));
    INT_PTR result = sheet.do_modal(nullptr);
    d.join();
    for (const std::string& p : d.problems()) ADD_FAILURE() << p;
    return result;
  }

  static gui_module* module_;
  static plugin_settings* record_;
  scratch_folder dir_;
};
gui_module* Pages::module_ = nullptr;
plugin_settings* Pages::record_ = nullptr;

HWND find_sheet() { return ui_driver::find_window(nullptr, "Antispam settings"); }
HWND page_of(HWND sheet) { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

void apply_and_close(driver& d, HWND sheet) {
  ui_driver::click(GetDlgItem(sheet, IDOK));
  d.check(ui_driver::wait_closed(sheet), "the sheet stayed open");
}

TEST_F(Pages, TheWhiteListOptionsAreNeverVisibleAndTheTreeTakesTheirRoom) {
  white_list_page page(record_);
  run_white_page(page, [](driver& d) {
    HWND sheet = find_sheet();
    if (!d.check(sheet != nullptr, "no sheet")) return;
    HWND p = page_of(sheet);
    for (int id : {IDC_TRAIN_BY_ADDRESS_BOOK, IDC_TRAIN_BY_SENT_ITEMS}) {
      HWND box = GetDlgItem(p, id);
      d.check(box && !IsWindowVisible(box) && !IsWindowEnabled(box),
              "option " + std::to_string(id) + " shows");
    }
    RECT tree, box;
    GetWindowRect(GetDlgItem(p, IDC_RULES_TREE), &tree);
    GetWindowRect(GetDlgItem(p, IDC_TRAIN_BY_ADDRESS_BOOK), &box);
    d.check(tree.bottom == box.bottom, "the tree ends at " + std::to_string(tree.bottom) +
                                           ", the option at " + std::to_string(box.bottom));
    ui_driver::click(GetDlgItem(sheet, IDCANCEL));
    ui_driver::wait_closed(sheet);
  });
}

TEST_F(Pages, ApplyingTheWhitePageClearsBothOptionsOnceAndWritesNoUnchangedList) {
  record_->train_by_sent_items = true;
  record_->train_by_sent_address_book = true;
  record_->modified = false;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    white_list_page page(record_);
    record_->modified = false;
    run_white_page(page, [](driver& d) { apply_and_close(d, find_sheet()); });
    EXPECT_FALSE(record_->train_by_sent_items);
    EXPECT_FALSE(record_->train_by_sent_address_book);
    // The first apply changes the record; the second finds nothing to change.
    EXPECT_EQ(round == 0, record_->modified);
    EXPECT_EQ(round == 0, page.sent_items_changed());
    EXPECT_FALSE(page.saved());
    EXPECT_FALSE(file_exists(dir_.file("whitelist.txt")));
  }
}

// Runs the rule edit dialog over no owner while steps work it.
INT_PTR run_rule_dialog(rule_edit_dialog& dialog, std::function<void(driver&, HWND)> steps) {
  driver d([&](driver& dr) {
    HWND window = ui_driver::find_window("#32770", "Rule");
    if (dr.check(window != nullptr, "no rule dialog")) steps(dr, window);
  });
  INT_PTR result = dialog.do_modal(nullptr);
  d.join();
  for (const std::string& p : d.problems()) ADD_FAILURE() << p;
  return result;
}

// The dialog lives as long as the test's statement, like a dialog of the rules tree.
rule_edit_dialog& dialog_for(rule_entry& entry) {
  static std::unique_ptr<rule_edit_dialog> dialog;
  dialog = std::make_unique<rule_edit_dialog>(&entry);
  return *dialog;
}

int selection(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}
bool ok_enabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }

TEST_F(Pages, ANewRuleShowsTheDefaultsWithOkDisabledUntilThereIsAValue) {
  rule_edit_dialog dialog(nullptr);
  INT_PTR result = run_rule_dialog(dialog, [](driver& d, HWND w) {
    d.check(selection(w, IDC_RULE_PART) == 0 && selection(w, IDC_RULE_OPERATOR) == 0, "not the first items");
    d.check(SendDlgItemMessageA(w, IDC_RULE_PART, CB_GETCOUNT, 0, 0) == 8, "not eight parts");
    d.check(SendDlgItemMessageA(w, IDC_RULE_OPERATOR, CB_GETCOUNT, 0, 0) == 10, "not ten comparisons");
    d.check(IsDlgButtonChecked(w, IDC_RULE_CASE) == BST_UNCHECKED, "case is ticked");
    d.check(ui_driver::window_text(GetDlgItem(w, IDC_RULE_VALUE)).empty(), "a value shows");
    d.check(!ok_enabled(w), "OK is enabled without a value");
    ui_driver::click(GetDlgItem(w, IDC_RULE_VALUE));
    ui_driver::type_text("a");
    d.check(ok_enabled(w), "typing did not enable OK");
    ui_driver::press_key(VK_BACK);
    d.check(!ok_enabled(w), "clearing the value did not disable OK");
    // Enter presses the greyed default button; an empty rule is still not confirmed.
    ui_driver::press_key(VK_RETURN);
    d.check(IsWindow(w) != FALSE, "Enter confirmed an empty rule");
    ui_driver::type_text("b");
    ui_driver::click(GetDlgItem(w, IDOK));
    ui_driver::wait_closed(w);
  });
  EXPECT_EQ(IDOK, result);
  rule_entry entry;
  dialog.store_into(entry);
  EXPECT_EQ("b", std::string(entry.name.c_str()));
  EXPECT_EQ(kRuleDefaultFlags, entry.flags);
}

TEST_F(Pages, EditingARuleShowsItsFieldsAndConfirmingUnchangedKeepsThem) {
  rule_entry entry("Mine", "bcc not equals case:someone@example.org");
  uint32_t part = entry.part, flags = entry.flags;
  INT_PTR result = run_rule_dialog(dialog_for(entry), [](driver& d, HWND w) {
    d.check(selection(w, IDC_RULE_PART) == 6, "part item " + std::to_string(selection(w, IDC_RULE_PART)));
    d.check(selection(w, IDC_RULE_OPERATOR) == 8,
            "comparison item " + std::to_string(selection(w, IDC_RULE_OPERATOR)));
    d.check(IsDlgButtonChecked(w, IDC_RULE_CASE) == BST_CHECKED, "case is not ticked");
    d.check(ui_driver::window_text(GetDlgItem(w, IDC_RULE_NAME)) == "Mine", "the name does not show");
    ui_driver::click(GetDlgItem(w, IDOK));
    ui_driver::wait_closed(w);
  });
  EXPECT_EQ(IDOK, result);
  EXPECT_EQ(part, entry.part);
  EXPECT_EQ(flags, entry.flags);
  EXPECT_EQ("someone@example.org", std::string(entry.value.c_str()));
}

TEST_F(Pages, CancellingTheRuleDialogLeavesTheEntry) {
  rule_entry entry("Mine", "subject:x");
  entry.take_snapshot();
  INT_PTR result = run_rule_dialog(dialog_for(entry), [](driver&, HWND w) {
    ui_driver::click(GetDlgItem(w, IDC_RULE_VALUE));
    ui_driver::type_text("yz");
    ui_driver::click(GetDlgItem(w, IDCANCEL));
    ui_driver::wait_closed(w);
  });
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_FALSE(entry.compare_with_snapshot());
}

}  // namespace
