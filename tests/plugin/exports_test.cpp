// The plug-in as the mail client sees it: the real relaymx.tbp, loaded by path, driven through its
// exports.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "common/version.h"
#include "host/plugin_api.h"
#include "tests/support/test_support.h"

using testing_support::file_exists;
using testing_support::program_folder;
using testing_support::read_file;
using testing_support::scoped_reg_value;
using testing_support::scratch_folder;

namespace {

constexpr const char* kPathsKey = "Software\\Kestrom\\Corvane Suite\\Paths";
constexpr const char* kName = "Kestrom Corvane Suite Antispam Filter";

// A private copy of the module in a scratch folder, so that its log and side files land there.
class plugin_fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    module_path_ = dir_.file("relaymx.tbp");
    ASSERT_TRUE(CopyFileA((program_folder() + "relaymx.tbp").c_str(), module_path_.c_str(), FALSE));
  }
  void load() {
    std::string error;
    ASSERT_TRUE(load_plugin(module_path_.c_str(), plugin_, error)) << error;
  }
  void TearDown() override { unload_plugin(plugin_); }

  scratch_folder dir_;
  std::string module_path_;
  plugin_module plugin_;
  scoped_reg_value no_root_{HKEY_LOCAL_MACHINE, kPathsKey, "AntispamRoot", static_cast<const char*>(nullptr)};
};

char* read_only_page() {
  void* p = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  DWORD old;
  VirtualProtect(p, 4096, PAGE_READONLY, &old);
  return static_cast<char*>(p);
}

}  // namespace

TEST(PluginLoad, MissingExportIsNamed) {
  plugin_module p;
  std::string error;
  EXPECT_FALSE(load_plugin((program_folder() + "rk_gui.dll").c_str(), p, error));
  EXPECT_EQ(error, "the plug-in does not export TBP_Initialize");
  EXPECT_EQ(p.module, nullptr);
}

TEST_F(plugin_fixture, GetNameCopiesWithoutTerminator) {
  load();
  const int n = static_cast<int>(std::strlen(kName));
  struct row {
    bool null_buffer;
    int size;
    int result;
  } rows[] = {{true, 0, n}, {false, -5, n}, {false, 0, n}, {false, 7, 7}, {false, n, n}, {false, n + 20, n}};
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    char buf[80];
    std::memset(buf, 0xCC, sizeof(buf));
    int got = plugin_.GetName(rows[i].null_buffer ? nullptr : buf, rows[i].size);
    EXPECT_EQ(got, rows[i].result) << "row " << i;
    int copied = rows[i].null_buffer || rows[i].size <= 0 ? 0 : got;
    EXPECT_EQ(std::string(buf, copied), std::string(kName, copied)) << "row " << i;
    EXPECT_EQ(static_cast<unsigned char>(buf[copied]), 0xCC) << "row " << i;
  }
}

TEST_F(plugin_fixture, FaultingHostBufferGivesZeroAndTheHostLivesOn) {
  load();
  char* page = read_only_page();
  EXPECT_EQ(plugin_.GetName(page, 40), 0);
  EXPECT_EQ(plugin_.GetName(reinterpret_cast<char*>(0x10), 40), 0);
  EXPECT_EQ(plugin_text(plugin_.GetName), kName);
  VirtualFree(page, 0, MEM_RELEASE);
}

TEST_F(plugin_fixture, StatusThroughTheInstanceLifecycle) {
  load();
  EXPECT_EQ(plugin_.GetStatus(), -1);
  EXPECT_EQ(plugin_.NeedConfig(), 0);
  EXPECT_EQ(plugin_.Setup(), -1);
  EXPECT_EQ(plugin_.NeedCOM(), 1);
  EXPECT_EQ(plugin_text(plugin_.GetVersion), "");  // no instance yet: nothing was read
  // No resource library beside this copy: the client core cannot start and the instance stays, disabled.
  EXPECT_EQ(static_cast<unsigned>(plugin_.Initialize()), 0x80004005u);
  EXPECT_EQ(plugin_text(plugin_.GetVersion), RELAYMX_VERSION_TEXT);
  EXPECT_EQ(plugin_.GetStatus(), -2);
  EXPECT_EQ(plugin_.NeedConfig(), 0);
  EXPECT_EQ(plugin_.Setup(), -2);
  plugin_.Finalize();
  EXPECT_EQ(plugin_.GetStatus(), -1);
  EXPECT_EQ(plugin_.Setup(), -1);
}

TEST_F(plugin_fixture, BridgeReferences) {
  load();
  counting_bridge a, b;
  EXPECT_EQ(plugin_.SetBridge(&a), 0);
  EXPECT_EQ(a.references(), 2u);
  plugin_.SetBridge(&a);  // the same pointer again adds nothing
  EXPECT_EQ(a.references(), 2u);
  plugin_.SetBridge(&b);
  EXPECT_EQ(a.references(), 1u);
  EXPECT_EQ(b.references(), 2u);
  plugin_.SetBridge(nullptr);
  EXPECT_EQ(b.references(), 1u);
  plugin_.SetBridge(&a);
  unload_plugin(plugin_);  // unloading releases the held reference
  EXPECT_EQ(a.references(), 1u);
}

TEST_F(plugin_fixture, LoadingWritesTheBannerAndRotatesOneGeneration) {
  DWORD file_output = 2;
  scoped_reg_value on(HKEY_LOCAL_MACHINE, "Software", "EnableZOLTLog", &file_output);
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  for (int round = 1; round <= 3; ++round) {
    load();
    plugin_.GetStatus();
    unload_plugin(plugin_);
    std::string log = read_file(dir_.file("relaymx.log"));
    EXPECT_NE(log.find(std::string("   ") + RELAYMX_BUILD_BANNER + "\r\n"), std::string::npos) << round;
    EXPECT_NE(log.find(std::string("   process attached: ") + exe + "\r\n"), std::string::npos) << round;
    EXPECT_NE(log.find("   TBP_GetStatus invoked and returned -1: no plugin's instance\r\n"),
              std::string::npos);
    EXPECT_NE(log.find(std::string("   process detached: ") + exe + "\r\n"), std::string::npos) << round;
    EXPECT_EQ(log.find("process attached", log.find("process attached") + 1), std::string::npos) << round;
    EXPECT_EQ(file_exists(dir_.file("relaymx.0")), round > 1) << round;
  }
  EXPECT_FALSE(file_exists(dir_.file("relaymx.1")));
}
