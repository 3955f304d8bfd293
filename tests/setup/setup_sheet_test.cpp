// The configuration sheet behind TBP_Setup, driven from a second thread as a user works it: the
// list files written byte for byte, the settings record, the log lines and the engine's calls.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "rules/rule_item.h"
#include "tests/client/client_fixture.h"
#include "tests/setup/sheet_driving.h"
#include "tests/support/ui_driver.h"
#include "ui/framework/resource_ids.h"

using namespace sheet_driving;
using testing_support::read_file;
using testing_support::write_file;
using ui_driver::driver;

namespace {

constexpr int kApplyButton = 12321;
constexpr int kReloadSlot = 10;

class SetupSheet : public client_test::client_fixture {
 protected:
  void SetUp() override {
    client_fixture::SetUp();
    CreateDirectoryA(dir_.file("data").c_str(), nullptr);
  }
  // The plug-in with the recording engine, started, and the engine's record of the start dropped.
  void start_recording() {
    install();
    start();
    engine_.reset();
  }
  std::string list_path(const char* name) const { return dir_.file("data\\") + name; }
  std::string white_list() const { return read_file(list_path("whitelist.txt")); }
  void write_white_list(const std::string& bytes) {
    ASSERT_TRUE(write_file(list_path("whitelist.txt"), bytes));
  }

  // Runs TBP_Setup on this thread while steps work the sheet on a second one.
  void run_setup(std::function<void(driver&)> steps) {
    driver d(std::move(steps));
    EXPECT_EQ(0, plugin_.Setup());
    d.join();
    for (const std::string& p : d.problems()) ADD_FAILURE() << p;
  }

  std::vector<int> reload_masks() const {
    std::vector<int> masks;
    for (const rec_call& c : engine_calls(kReloadSlot)) masks.push_back(c.byte_arg);
    return masks;
  }
};

// The first page with its tree, or nulls after recording why.
struct sheet_view {
  HWND sheet = nullptr, page = nullptr, tree = nullptr;
};

sheet_view open_sheet(driver& d) {
  sheet_view v;
  v.sheet = find_sheet();
  if (!d.check(v.sheet != nullptr, "the sheet did not open")) return v;
  v.page = current_page(v.sheet);
  v.tree = ui_driver::find_control(v.page, IDC_RULES_TREE);
  d.check(v.tree != nullptr, "no rules tree on the page");
  return v;
}

bool press_sheet_button(driver& d, const sheet_view& v, int id) {
  HWND button = GetDlgItem(v.sheet, id);
  return d.check(button && ui_driver::click(button), "could not press sheet button " + std::to_string(id));
}

// OK or Cancel, and the sheet gone.
void close_sheet(driver& d, const sheet_view& v, int id) {
  press_sheet_button(d, v, id);
  d.check(ui_driver::wait_closed(v.sheet), "the sheet stayed open");
}

// Picks item index of a drop-down list with the keyboard, from its first item.
void pick(HWND combo, int index) {
  ui_driver::click(combo);  // drops the list down
  ui_driver::press_key(VK_HOME);
  for (int i = 0; i < index; ++i) ui_driver::press_key(VK_DOWN);
  ui_driver::press_key(VK_RETURN);
}

// Fills the rule edit dialog and confirms it; false when the dialog did not show or close.
bool enter_rule(driver& d, int part, int comparison, const char* value) {
  HWND rule = find_rule_dialog();
  if (!d.check(rule != nullptr, "the rule dialog did not open")) return false;
  pick(GetDlgItem(rule, IDC_RULE_PART), part);
  pick(GetDlgItem(rule, IDC_RULE_OPERATOR), comparison);
  ui_driver::click(GetDlgItem(rule, IDC_RULE_VALUE));
  ui_driver::type_text(value);
  d.check(IsWindowEnabled(GetDlgItem(rule, IDOK)) != FALSE, "OK stays disabled with a value");
  ui_driver::click(GetDlgItem(rule, IDOK));
  return d.check(ui_driver::wait_closed(rule), "the rule dialog stayed open");
}

std::string rows_text(const std::vector<tree_row>& rows) {
  std::string out;
  for (const tree_row& r : rows)
    out += "[" + r.text + " " + std::to_string(r.check) + (r.bold ? " bold]" : "]");
  return out;
}

bool enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }

TEST_F(SetupSheet, AnAddedRuleIsNamedByItsKeywordsAndTheWhiteListReloaded) {
  start_recording();
  run_setup([](driver& d) {
    sheet_view v = open_sheet(d);
    if (!v.tree) return;
    d.check(!enabled(v.page, IDC_RULE_EDIT) && !enabled(v.page, IDC_RULE_COPY) &&
                !enabled(v.page, IDC_RULE_DELETE),
            "edit, copy and delete are enabled on an empty list");
    ui_driver::click(GetDlgItem(v.page, IDC_RULE_ADD));
    HWND rule = find_rule_dialog();
    if (!d.check(rule != nullptr, "no rule dialog")) return;
    d.check(!IsWindowEnabled(GetDlgItem(rule, IDOK)), "OK is enabled without a value");
    if (!enter_rule(d, kPartSubject, 1, "x")) return;
    std::string rows = rows_text(read_tree(v.tree));
    d.check(rows == "[Subject starts x 2]", "tree shows " + rows);
    d.check(
        enabled(v.page, IDC_RULE_EDIT) && enabled(v.page, IDC_RULE_COPY) && enabled(v.page, IDC_RULE_DELETE),
        "the first rule did not enable edit, copy and delete");
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(v.sheet, nullptr), &info);
    d.check(info.hwndFocus == v.tree, "the first rule did not focus the tree");
    close_sheet(d, v, IDOK);
  });
  EXPECT_EQ("#Subject starts x\r\nSubject starts :x\r\n", white_list());
  EXPECT_EQ(std::vector<int>{1}, reload_masks());
  EXPECT_TRUE(engine_calls(11).empty() && engine_calls(13).empty());
  std::string log = log_text();
  size_t saving = log.find("[i] saving values if necessary(1)");
  EXPECT_NE(std::string::npos, saving) << log;
  EXPECT_NE(std::string::npos, log.find("[i] reloading black/white lists", saving)) << log;
}

TEST_F(SetupSheet, CancellingWritesNothingAndAsksNothing) {
  const std::string kList = "#Kept\r\nFrom :a@example.org\r\n";
  write_white_list(kList);
  install();
  start();
  std::string record = read_file(dir_.file("data\\relaymx.dat"));
  engine_.reset();
  run_setup([](driver& d) {
    sheet_view v = open_sheet(d);
    if (!v.tree) return;
    ui_driver::click(GetDlgItem(v.page, IDC_RULE_ADD));
    if (!enter_rule(d, kPartBody, 0, "offer")) return;
    close_sheet(d, v, IDCANCEL);
  });
  EXPECT_EQ(kList, white_list());
  EXPECT_EQ(record, read_file(dir_.file("data\\relaymx.dat")));
  EXPECT_EQ(0, engine_.calls());
  EXPECT_NE(std::string::npos, log_text().find("[i] saving values if necessary(0)"));
}

TEST_F(SetupSheet, TickingByMouseAndBySpaceBarChangesTheStoredState) {
  write_white_list("#A\r\n:a\r\n\r\n#B\r\n##:b\r\n\r\n#C\r\n:c\r\n");
  start_recording();
  std::string path = list_path("whitelist.txt");
  run_setup([&](driver& d) {
    sheet_view v = open_sheet(d);
    if (!v.tree) return;
    std::string rows = rows_text(read_tree(v.tree));
    d.check(rows == "[A 2][B 1][C 2]", "tree shows " + rows);
    ui_driver::click_at(check_box_point(v.tree, 0));  // A off
    ui_driver::click_at(check_box_point(v.tree, 1));  // B on
    ui_driver::click_at(label_point(v.tree, 2));
    ui_driver::press_key(VK_SPACE);  // C off
    ui_driver::wait_until([&] { return rows_text(read_tree(v.tree)) == "[A 1][B 2][C 1]"; }, 3000);
    rows = rows_text(read_tree(v.tree));
    d.check(rows == "[A 1][B 2][C 1]", "after the ticks the tree shows " + rows);
    d.check(enabled(v.sheet, kApplyButton), "Apply is not enabled after the ticks");
    press_sheet_button(d, v, kApplyButton);
    d.check(ui_driver::wait_until([&] { return read_file(path).find("##:a") != std::string::npos; }),
            "Apply did not save the list");
    close_sheet(d, v, IDCANCEL);
  });
  EXPECT_EQ("#A\r\n##:a\r\n\r\n#B\r\n:b\r\n\r\n#C\r\n##:c\r\n", white_list());
  // Applied, then cancelled: the list was saved, so the engine reads it again.
  EXPECT_EQ(std::vector<int>{1}, reload_masks());
}

TEST_F(SetupSheet, ACopyOfADisabledRuleIsDisabledAndDeletingTheLastRuleDisablesTheButtons) {
  write_white_list("#Old\r\n##Subject :offer\r\n");
  install();
  start();
  std::string path = list_path("whitelist.txt");
  run_setup([&](driver& d) {
    sheet_view v = open_sheet(d);
    if (!v.tree) return;
    ui_driver::click_at(label_point(v.tree, 0));
    ui_driver::click(GetDlgItem(v.page, IDC_RULE_COPY));
    std::string rows = rows_text(read_tree(v.tree));
    d.check(rows == "[Old 1][Copy of Old 1]", "after the copy the tree shows " + rows);
    press_sheet_button(d, v, kApplyButton);
    const std::string with_copy = "#Old\r\n##Subject :offer\r\n\r\n#Copy of Old\r\n##Subject :offer\r\n";
    d.check(ui_driver::wait_until([&] { return read_file(path) == with_copy; }),
            "Apply did not save the disabled copy: " + read_file(path));
    for (int i = 1; i >= 0; --i) {
      ui_driver::click_at(label_point(v.tree, i));
      d.check(enabled(v.page, IDC_RULE_DELETE), "delete is disabled with rules left");
      ui_driver::click(GetDlgItem(v.page, IDC_RULE_DELETE));
    }
    d.check(read_tree(v.tree).empty(), "rules are left in the tree");
    d.check(!enabled(v.page, IDC_RULE_EDIT) && !enabled(v.page, IDC_RULE_COPY) &&
                !enabled(v.page, IDC_RULE_DELETE),
            "edit, copy or delete stays enabled on an empty list");
    close_sheet(d, v, IDOK);
  });
  EXPECT_EQ("", white_list());
}

TEST_F(SetupSheet, AFailedEntryShowsBoldAndIsWrittenCanonicallyOnceEdited) {
  write_white_list("#Bad\r\nsubjekt starts:x\r\n\r\n#Good\r\n:y\r\n");
  install();
  start();
  run_setup([&](driver& d) {
    sheet_view v = open_sheet(d);
    if (!v.tree) return;
    std::string rows = rows_text(read_tree(v.tree));
    d.check(rows == "[Bad 0 bold][Good 2]", "tree shows " + rows);
    ui_driver::click_at(label_point(v.tree, 0));
    ui_driver::click(GetDlgItem(v.page, IDC_RULE_EDIT));
    if (!enter_rule(d, kPartSubject, 1, "x")) return;
    rows = rows_text(read_tree(v.tree));
    d.check(rows == "[Bad 2][Good 2]", "after the edit the tree shows " + rows);
    close_sheet(d, v, IDOK);
  });
  EXPECT_EQ("#Bad\r\nSubject starts :x\r\n\r\n#Good\r\n:y\r\n", white_list());
}

TEST_F(SetupSheet, AWhiteRuleAddedThroughTheSheetAppliesToTheNextCheckWithTheRealEngine) {
  install(client_test::layout{true, false});
  ASSERT_TRUE(CopyFileA((testing_support::program_folder() + "sfl_ipc.dll").c_str(),
                        dir_.file("sfl_ipc.dll").c_str(), FALSE));
  start();
  client_test::g_message.text = "From: someone@example.org\r\nSubject: cheap pills, order now\r\n\r\nbuy\r\n";
  int before = plugin_.GetSpamScore(1, client_test::host_callback);
  ASSERT_GT(before, 0);
  run_setup([](driver& d) {
    sheet_view v = open_sheet(d);
    if (!v.tree) return;
    ui_driver::click(GetDlgItem(v.page, IDC_RULE_ADD));
    if (!enter_rule(d, kPartFrom, 0, "someone@example.org")) return;
    close_sheet(d, v, IDOK);
  });
  EXPECT_EQ("#From someone@example.org\r\nFrom :someone@example.org\r\n", white_list());
  EXPECT_EQ(0, plugin_.GetSpamScore(2, client_test::host_callback)) << "scored " << before << " before";
}

TEST_F(SetupSheet, AListFileHeldOpenAtOkIsNotSavedAndTheOldFileStays) {
  const std::string kList = "#Kept\r\n:kept\r\n";
  write_white_list(kList);
  start_recording();
  std::string path = list_path("whitelist.txt");
  HANDLE held = INVALID_HANDLE_VALUE;
  run_setup([&](driver& d) {
    sheet_view v = open_sheet(d);
    if (!v.tree) return;
    ui_driver::click(GetDlgItem(v.page, IDC_RULE_ADD));
    if (!enter_rule(d, kPartAny, 0, "new")) return;
    // Another program opens the file, sharing nothing, before the user presses OK.
    held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    d.check(held != INVALID_HANDLE_VALUE, "could not hold the list file");
    close_sheet(d, v, IDOK);
  });
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  EXPECT_EQ(kList, white_list());
  EXPECT_TRUE(reload_masks().empty());
  EXPECT_NE(
      std::string::npos,
      log_text().find("[-] rules_tree_dialogue: saving failed with internal error: 2 (from visual_list)"));
}

TEST_F(SetupSheet, AListFileThatCannotBeReadShowsAnEmptyTreeAndSavingWritesANewFile) {
  // A folder in the file's place cannot be read as a list.
  ASSERT_TRUE(CreateDirectoryA(list_path("whitelist.txt").c_str(), nullptr));
  install();
  start();
  run_setup([](driver& d) {
    sheet_view v = open_sheet(d);
    if (!v.tree) return;
    d.check(read_tree(v.tree).empty(), "the tree is not empty");
    ui_driver::click(GetDlgItem(v.page, IDC_RULE_ADD));
    if (!enter_rule(d, kPartTo, 3, "me@example.org")) return;
    close_sheet(d, v, IDOK);
  });
  EXPECT_EQ("#To equals me@example.org\r\nTo equals :me@example.org\r\n", white_list());
}

TEST_F(SetupSheet, AValueOutsideAsciiIsWrittenInTheSystemCodePage) {
  install();
  start();
  // "Grüße" in the system code page, pasted into the value field.
  wchar_t wide[] = L"Gr\u00FC\u00DFe";
  char ansi[32] = {};
  ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof(ansi), nullptr, nullptr), 0);
  ASSERT_EQ(std::string::npos, std::string(ansi).find('?')) << "the system code page lacks the letters";
  run_setup([&](driver& d) {
    sheet_view v = open_sheet(d);
    if (!v.tree) return;
    ui_driver::click(GetDlgItem(v.page, IDC_RULE_ADD));
    HWND rule = find_rule_dialog();
    if (!d.check(rule != nullptr, "no rule dialog")) return;
    if (OpenClipboard(rule)) {
      EmptyClipboard();
      HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(ansi));
      memcpy(GlobalLock(memory), ansi, sizeof(ansi));
      GlobalUnlock(memory);
      SetClipboardData(CF_TEXT, memory);
      CloseClipboard();
    }
    ui_driver::click(GetDlgItem(rule, IDC_RULE_VALUE));
    ui_driver::press_key('V', true);
    d.check(ui_driver::window_text(GetDlgItem(rule, IDC_RULE_VALUE)) == ansi, "the paste did not arrive");
    ui_driver::click(GetDlgItem(rule, IDOK));
    ui_driver::wait_closed(rule);
    close_sheet(d, v, IDOK);
  });
  EXPECT_EQ(std::string("#") + ansi + "\r\n:" + ansi + "\r\n", white_list());
}

TEST_F(SetupSheet, ALabelRenamedToNothingNamesTheRuleUnnamed) {
  write_white_list("#First\r\n:a\r\n\r\n#Second\r\n:b\r\n");
  install();
  start();
  run_setup([](driver& d) {
    sheet_view v = open_sheet(d);
    if (!v.tree) return;
    struct step {
      int index;
      const char* typed;
    } steps[] = {{0, "Renamed"}, {1, ""}};
    for (const step& s : steps) {
      ui_driver::click_at(label_point(v.tree, s.index));
      // A slow second click on the selected label, as the tree view asks of its users.
      HWND edit = reinterpret_cast<HWND>(
          SendMessageA(v.tree, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(tree_item(v.tree, s.index))));
      if (!d.check(edit != nullptr, "no label editor")) return;
      ui_driver::press_key('A', true);
      ui_driver::press_key(VK_DELETE);
      ui_driver::type_text(s.typed);
      ui_driver::press_key(VK_RETURN);
      d.check(ui_driver::wait_closed(edit), "the label editor stayed open");
    }
    std::string rows = rows_text(read_tree(v.tree));
    d.check(rows == "[Renamed 2][Unnamed rule 2]", "after renaming the tree shows " + rows);
    close_sheet(d, v, IDOK);
  });
  EXPECT_EQ("#Renamed\r\n:a\r\n\r\n#Unnamed rule\r\n:b\r\n", white_list());
}

TEST_F(SetupSheet, OnlyTheBlackListSavedReloadsWithMaskTwo) {
  start_recording();
  run_setup([](driver& d) {
    sheet_view v = open_sheet(d);
    if (!v.tree) return;
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(v.sheet, PSM_GETTABCONTROL, 0, 0));
    RECT tab = {};
    SendMessageA(tabs, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab));
    POINT p = {(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2};
    ClientToScreen(tabs, &p);
    ui_driver::click_at(p);
    d.check(ui_driver::wait_until([&] { return current_page(v.sheet) != v.page; }), "the tab did not switch");
    HWND page = current_page(v.sheet);
    ui_driver::click(GetDlgItem(page, IDC_RULE_ADD));
    if (!enter_rule(d, kPartSubject, 4, "*[Vv]iagra*")) return;
    close_sheet(d, v, IDOK);
  });
  EXPECT_FALSE(testing_support::file_exists(list_path("whitelist.txt")));
  EXPECT_EQ("#Subject matches *[Vv]iagra*\r\nSubject matches :*[Vv]iagra*\r\n",
            read_file(list_path("blacklist.txt")));
  EXPECT_EQ(std::vector<int>{2}, reload_masks());
  EXPECT_NE(std::string::npos, log_text().find("[i] saving values if necessary(1)"));
}

}  // namespace
