// Context help with log flag 8: the help request shows the control's context id and the help target
// in a message box instead of asking the help engine. A program of its own: the log reads its switches
// when it is first used.
#include <gtest/gtest.h>

#include <cstdio>

#include "log/log.h"
#include "tests/support/test_support.h"
#include "tests/ui/help_request.h"
#include "tests/ui/message_box_watcher.h"
#include "ui/framework/context_help.h"
#include "ui/framework/gui_module.h"
#include "ui/framework/resource_ids.h"

using testing_support::scoped_reg_value;

namespace {
const DWORD kHelpIdsOnly = kLogHelpIds;
}  // namespace

TEST(HelpIds, MessageBoxNamesTheIdAndTheHelpTarget) {
  scoped_reg_value flags(HKEY_LOCAL_MACHINE, "Software", "EnableZOLTLog", &kHelpIdsOnly);
  ASSERT_EQ(log_flags(), static_cast<uint32_t>(kLogHelpIds)) << "the log was built before this test";
  gui_module module(GetModuleHandleA(nullptr));
  module.set_help_root("C:\\Help\\");

  struct row {
    unsigned id;
    const char* text;
  } rows[] = {
      {0x3F2, "ID=000003F2 (1010), File:C:\\Help\\help_en.chm::/Cshelp.txt"},
      {2101297, "ID=00201031 (2101297), File:C:\\Help\\help_en.chm::/Cshelp.txt"},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    ui_fixture::message_box_watcher watcher;
    EXPECT_EQ(display_help_popup(nullptr, nullptr, rows[i].id, POINT{10, 10}), 1) << "row " << i;
    watcher.finish();
    EXPECT_TRUE(watcher.seen()) << "row " << i;
    EXPECT_EQ(watcher.text(), rows[i].text) << "row " << i;
  }

  ui_fixture::message_box_watcher watcher;
  EXPECT_EQ(display_help_popup(nullptr, nullptr, 0, POINT{10, 10}), 0);
  watcher.stop();
  EXPECT_FALSE(watcher.seen()) << "id 0 shows nothing: " << watcher.text();
  EXPECT_EQ(GetModuleHandleA("hhctrl.ocx"), nullptr) << "the help engine is never asked";
}

// F1 on the text field of the rule editor, pressed as a user would: the dialog's help handler shows
// the field's help id and the help target.
TEST(HelpIds, F1OnTheRuleEditorShowsTheFieldsHelpId) {
  scoped_reg_value flags(HKEY_LOCAL_MACHINE, "Software", "EnableZOLTLog", &kHelpIdsOnly);
  gui_module module(GetModuleHandleA(nullptr));
  ui_fixture::help_module help(&module, "C:\\Help\\");
  ASSERT_TRUE(help.ok());
  const ui_fixture::help_request request = ui_fixture::request_help_on_rule_value([] { return false; });
  ASSERT_NE(request.dialog, nullptr) << "the rule editor did not show";
  ASSERT_TRUE(request.pressed) << "xdotool could not be started";
  EXPECT_EQ(request.modal_result, IDCANCEL);
  ASSERT_TRUE(request.box.seen) << "F1 showed no message box";
  char expected[128];
  std::snprintf(expected, sizeof(expected), "ID=%08X (%d), File:C:\\Help\\help_en.chm::/Cshelp.txt",
                HID_RULE_EDIT_VALUE, HID_RULE_EDIT_VALUE);
  EXPECT_EQ(request.box.text, expected);
  EXPECT_EQ(GetModuleHandleA("hhctrl.ocx"), nullptr) << "the help engine is never asked";
}
