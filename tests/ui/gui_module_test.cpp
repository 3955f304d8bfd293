// The module object, and finding and accepting the resource library.
#include "ui/framework/gui_module.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"
#include "ui/framework/gui_library.h"
#include "ui/framework/resource_ids.h"

using testing_support::program_folder;

TEST(GuiModule, FirstObjectStaysCurrentAndTermClearsBothInstances) {
  HINSTANCE self = GetModuleHandleA(nullptr);
  {
    gui_module first(self);
    gui_module second(self);
    EXPECT_EQ(current_gui_module(), &first);
    EXPECT_EQ(first.module_instance(), self);
    EXPECT_EQ(first.resource_instance(), self);
    EXPECT_TRUE(second.term());
    EXPECT_EQ(second.module_instance(), nullptr);
    EXPECT_EQ(second.resource_instance(), nullptr);
    first.set_help_root("C:\\help");
    EXPECT_STREQ(first.help_root().c_str(), "C:\\help\\");
    EXPECT_TRUE(first.ensure_common_controls());
  }
  EXPECT_EQ(current_gui_module(), nullptr);
}

TEST(GuiModule, StringsComeFromTheResourceInstance) {
  gui_module gui(GetModuleHandleA(nullptr));
  EXPECT_TRUE(load_resource_string(IDS_SHEET_TITLE).empty());  // the program itself holds no strings
  HMODULE library = LoadLibraryA((program_folder() + "rk_gui.dll").c_str());
  ASSERT_NE(library, nullptr);
  gui.set_resource_instance(library);
  EXPECT_STREQ(load_resource_string(IDS_SHEET_TITLE).c_str(), "Antispam settings");
  text long_one = load_resource_string(IDS_ABOUT_TEXT);  // longer than the first buffer of 256
  EXPECT_GT(long_one.size(), 200u);
  EXPECT_EQ(long_one.c_str()[long_one.size() - 1], '.');
  gui.set_resource_instance(gui.module_instance());
  FreeLibrary(library);
}

TEST(GuiLibrary, UnacceptableLibrariesAreNeverUsed) {
  // This program stands for the plug-in: "beside the module" is the test program's folder, which
  // holds no resource library, and the system search finds none either.
  gui_module gui(GetModuleHandleA(nullptr));
  testing_support::scratch_folder dir;
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  struct row {
    const char* what;
    std::string source;
  } rows[] = {
      {"no ordinal-1 entry (a program)", self},
      {"an entry that faults on the numbers", program_folder() + "..\\fakes\\sfl_ipc.dll"},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    std::string copy = dir.file(("candidate" + std::to_string(i) + ".dll").c_str());
    ASSERT_TRUE(CopyFileA(rows[i].source.c_str(), copy.c_str(), FALSE)) << rows[i].what;
    testing_support::scoped_reg_value path(HKEY_LOCAL_MACHINE, "Software\\Kestrom\\Corvane Suite\\Paths",
                                           "rk_gui.dll", copy.c_str());
    EXPECT_FALSE(load_gui_resource_library()) << rows[i].what;
    EXPECT_EQ(gui_library_handle(), nullptr) << rows[i].what;
    EXPECT_EQ(gui.resource_instance(), gui.module_instance()) << rows[i].what;
    EXPECT_EQ(GetModuleHandleA(copy.c_str()), nullptr) << rows[i].what << ": still loaded";
  }
}

TEST(GuiLibrary, AcceptedLibraryBecomesTheResourceInstanceUntilUnloaded) {
  gui_module gui(GetModuleHandleA(nullptr));
  std::string good = program_folder() + "rk_gui.dll";
  testing_support::scoped_reg_value path(HKEY_LOCAL_MACHINE, "Software\\Kestrom\\Corvane Suite\\Paths",
                                         "rk_gui.dll", good.c_str());
  ASSERT_TRUE(load_gui_resource_library());
  EXPECT_EQ(gui.resource_instance(), gui_library_handle());
  EXPECT_FALSE(load_resource_string(IDS_UNNAMED_RULE).empty());
  unload_gui_resource_library();
  EXPECT_EQ(gui_library_handle(), nullptr);
  EXPECT_EQ(gui.resource_instance(), gui.module_instance());
}
