// Context help without the diagnostic flag: where the help file is looked for, and the popup request
// handed to the help engine.
//
// Difference of Wine: Wine's help engine does not show text popups (HtmlHelpA answers 0 to
// HH_DISPLAY_TEXT_POPUP), so the popup requests are proved with a recording stand-in hhctrl.ocx that
// the test copies beside its program. The test run loads native help engines only, so that before the
// copy no engine is found at all.
#include "ui/framework/context_help.h"

#include <gtest/gtest.h>
#include <htmlhelp.h>

#include <algorithm>
#include <string>

#include "common/paths.h"
#include "tests/fakes/recording_help_engine.h"
#include "tests/support/test_support.h"
#include "tests/ui/help_request.h"
#include "tests/ui/message_box_watcher.h"
#include "ui/framework/gui_module.h"
#include "ui/framework/resource_ids.h"

using testing_support::file_exists;
using testing_support::scratch_folder;
using testing_support::write_file;

namespace {

std::string program_folder() { return module_folder(nullptr).c_str(); }
std::string engine_beside_program() { return program_folder() + "hhctrl.ocx"; }

// The stand-in is removed again at the end, so that the next run starts without an engine.
class engine_cleanup : public ::testing::Environment {
 public:
  void SetUp() override { DeleteFileA(engine_beside_program().c_str()); }
  void TearDown() override { DeleteFileA(engine_beside_program().c_str()); }
};
::testing::Environment* const g_cleanup = ::testing::AddGlobalTestEnvironment(new engine_cleanup);

bool install_engine() {
  return CopyFileA(RELAYMX_HELP_ENGINE, engine_beside_program().c_str(), FALSE) != FALSE;
}

int engine_calls(help_call* last) {
  HMODULE engine = GetModuleHandleA("hhctrl.ocx");
  auto calls =
      engine ? reinterpret_cast<help_calls_fn>(reinterpret_cast<void*>(GetProcAddress(engine, "help_calls")))
             : nullptr;
  return calls ? calls(last) : -1;
}

void set_engine_answer(HWND answer) {
  auto set = reinterpret_cast<help_set_answer_fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("hhctrl.ocx"), "help_set_answer")));
  ASSERT_NE(set, nullptr);
  set(answer);
}

// The module object of the test program, its help properties set by each test.
gui_module& module_object() {
  static gui_module module(GetModuleHandleA(nullptr));
  return module;
}

struct help_settings {
  help_settings(const char* root, const char* base, const char* language) {
    module_object().set_help_root(root);
    module_object().set_help_file_base(base);
    module_object().set_language(language);
  }
  ~help_settings() {
    module_object().set_help_root("");
    module_object().set_help_file_base("");
    module_object().set_language("");
  }
};

std::string help_path() {
  text path;
  return get_help_file_path(GetModuleHandleA(nullptr), &path).c_str();
}

}  // namespace

TEST(HelpFilePath, RootBaseNameAndLanguage) {
  scratch_folder dir;
  const std::string root = dir.path();
  const std::string bare_root = root.substr(0, root.size() - 1);
  ASSERT_TRUE(write_file(root + "help_de.chm", "de"));
  ASSERT_TRUE(write_file(root + "manual_fr.chm", "fr"));
  struct row {
    std::string root;
    const char* base;
    const char* language;
    std::string expected;
  } rows[] = {
      {root, "", "", root + "help_en.chm"},
      {bare_root, "", "", root + "help_en.chm"},  // one backslash before the file name
      {root, "", "de", root + "help_de.chm"},
      {root, "", "it", root + "help_en.chm"},  // no help_it.chm: the English file
      {root, "manual.chm", "fr", root + "manual_fr.chm"},
      {root, "manual", "de", root + "manual_en.chm"},  // help_de.chm is not manual_de.chm
      {root, "\\manual", "", root + "manual_en.chm"},
      {"", "", "", program_folder() + "help\\help_en.chm"},
      {"", "", "de", program_folder() + "help\\help_en.chm"},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    help_settings settings(rows[i].root.c_str(), rows[i].base, rows[i].language);
    EXPECT_EQ(help_path(), rows[i].expected) << "row " << i;
  }
}

TEST(HelpFilePath, LanguageFileBesideTheHostProgram) {
  const std::string folder = program_folder() + "help\\";
  const bool had_folder = file_exists(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  ASSERT_TRUE(write_file(folder + "help_de.chm", "de"));
  {
    help_settings settings("", "", "de");
    EXPECT_EQ(help_path(), folder + "help_de.chm");
  }
  DeleteFileA((folder + "help_de.chm").c_str());
  if (!had_folder) RemoveDirectoryA(folder.c_str());
}

TEST(HelpFilePath, OutStringHoldsTheResult) {
  help_settings settings("C:\\Help", "", "");
  text path("left over");
  const text& result = get_help_file_path(nullptr, &path);
  EXPECT_EQ(&result, &path);
  EXPECT_STREQ(path.c_str(), "C:\\Help\\help_en.chm");
}

// In one test, in this order: the engine is cached once found, so the missing engine comes first.
TEST(HelpPopup, MissingEngineThenTheStandInAfterItIsInstalled) {
  help_settings settings("C:\\Help\\", "", "");
  const POINT mouse = {321, 123};
  ASSERT_FALSE(file_exists(engine_beside_program()));

  for (int attempt = 0; attempt < 2; ++attempt) {
    ui_fixture::message_box_watcher watcher;
    EXPECT_EQ(display_help_popup(nullptr, nullptr, 0x3F2, mouse), 0) << "attempt " << attempt;
    watcher.finish();
    EXPECT_TRUE(watcher.seen()) << "attempt " << attempt << ": a missing engine is reported each time";
    EXPECT_EQ(watcher.text(), "Can't load library or get proc address") << "attempt " << attempt;
    EXPECT_EQ(GetModuleHandleA("hhctrl.ocx"), nullptr) << "attempt " << attempt;
  }

  ASSERT_TRUE(install_engine());
  {
    ui_fixture::message_box_watcher watcher;
    EXPECT_EQ(display_help_popup(nullptr, nullptr, 0x3F2, mouse), 1)
        << "the request after the failure retries";
    watcher.stop();
    EXPECT_FALSE(watcher.seen()) << watcher.text();
  }
  help_call call = {};
  ASSERT_EQ(engine_calls(&call), 1);
  EXPECT_EQ(call.command, static_cast<UINT>(HH_DISPLAY_TEXT_POPUP));
  EXPECT_STREQ(call.file, "C:\\Help\\help_en.chm::/Cshelp.txt");
  EXPECT_EQ(call.window, nullptr);
  EXPECT_EQ(call.record_size, 72);
  EXPECT_EQ(call.instance, nullptr);
  EXPECT_EQ(call.string_id, 0x3F2u);
  EXPECT_STREQ(call.popup_text, "C:\\Help\\help_en.chm::/Cshelp.txt");
  EXPECT_EQ(call.point.x, 321);
  EXPECT_EQ(call.point.y, 123);
  EXPECT_EQ(call.foreground, static_cast<COLORREF>(-1));
  EXPECT_EQ(call.background, static_cast<COLORREF>(-1));
  EXPECT_EQ(call.margins.left, -1);
  EXPECT_EQ(call.margins.top, -1);
  EXPECT_EQ(call.margins.right, -1);
  EXPECT_EQ(call.margins.bottom, -1);

  // The font string names the stock dialog font: face, size in points, character set.
  LOGFONTA font = {};
  ASSERT_GT(GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font), 0);
  HDC screen = GetDC(nullptr);
  const int points = -MulDiv(font.lfHeight, 72, GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(call.font, std::string(font.lfFaceName) + ", " + std::to_string(points) + ", " +
                           std::to_string(font.lfCharSet));
  EXPECT_GT(points, 0);

  // An engine that shows nothing answers null: nothing was shown.
  set_engine_answer(nullptr);
  EXPECT_EQ(display_help_popup(nullptr, nullptr, 2101297, mouse), 0);
  ASSERT_EQ(engine_calls(&call), 2);
  EXPECT_EQ(call.string_id, 2101297u);
  set_engine_answer(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234)));
}

TEST(HelpPopup, ContextIdZeroShowsNothing) {
  help_settings settings("C:\\Help\\", "", "");
  const int before = engine_calls(nullptr);
  ui_fixture::message_box_watcher watcher;
  EXPECT_EQ(display_help_popup(nullptr, nullptr, 0, POINT{5, 5}), 0);
  watcher.stop();
  EXPECT_FALSE(watcher.seen()) << watcher.text();
  EXPECT_EQ(engine_calls(nullptr), before) << "the engine is not asked";
}

// F1 on the text field of the rule editor, pressed as a user would: the dialog's help handler asks
// the engine for the field's popup from the help file's topic file.
TEST(HelpPopup, F1OnTheRuleEditorAsksTheEngineForTheFieldsPopup) {
  ASSERT_TRUE(file_exists(engine_beside_program()) || install_engine());
  ui_fixture::help_module help(&module_object(), "C:\\Help\\");
  ASSERT_TRUE(help.ok());
  const int before = std::max(engine_calls(nullptr), 0);
  const ui_fixture::help_request request =
      ui_fixture::request_help_on_rule_value([before] { return engine_calls(nullptr) > before; });
  ASSERT_NE(request.dialog, nullptr) << "the rule editor did not show";
  ASSERT_TRUE(request.pressed) << "xdotool could not be started";
  EXPECT_EQ(request.modal_result, IDCANCEL);
  EXPECT_FALSE(request.box.seen) << request.box.text;
  help_call call = {};
  ASSERT_EQ(engine_calls(&call), before + 1);
  EXPECT_EQ(call.command, static_cast<UINT>(HH_DISPLAY_TEXT_POPUP));
  EXPECT_EQ(call.string_id, static_cast<UINT>(HID_RULE_EDIT_VALUE));
  const std::string target = call.file;
  const std::string ending = "help_en.chm::/Cshelp.txt";
  ASSERT_GE(target.size(), ending.size());
  EXPECT_EQ(target.substr(target.size() - ending.size()), ending) << target;
  EXPECT_EQ(call.window, request.dialog);
  EXPECT_EQ(call.point.x, request.click.x) << "the popup stands where the mouse was";
  EXPECT_EQ(call.point.y, request.click.y);
}
