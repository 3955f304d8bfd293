// The log facility reads its switches from the machine-wide "Software" key when it is built; each test
// sets them, builds its own facility and reads the files it writes.
#include "log/log.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/support/test_support.h"

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::scoped_reg_value;
using testing_support::scratch_folder;

namespace {

struct switches {
  switches(DWORD flags, DWORD level)
      : flags_(flags),
        level_(level),
        f(HKEY_LOCAL_MACHINE, "Software", "EnableZOLTLog", &flags_),
        l(HKEY_LOCAL_MACHINE, "Software", "ZOLTLogLevel", &level_) {}
  DWORD flags_, level_;
  scoped_reg_value f, l;
};

std::string channel_file(const scratch_folder& dir) { return dir.file("test.log"); }

}  // namespace

TEST(LogFacility, LineFormatsForFlagCombinations) {
  struct row {
    DWORD flags;
    const char* pattern;
  } rows[] = {
      {2, R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}   entry\r\n)"},
      {2 | 1, R"(\d{2}:\d{2}:\d{2}   entry\r\n)"},
      {2 | 32, R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}   \d+:entry\r\n)"},
      {2 | 1 | 32, R"(\d{2}:\d{2}:\d{2}   \d+:entry\r\n)"},
      {2 | 16, R"(entry)"},
      {2 | 16 | 32, R"(\d+:entry)"},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    scratch_folder dir;
    switches on(rows[i].flags, 1);
    log_facility log;
    log.set_folder(dir.path().c_str());
    log.line("test.log", "entry");
    std::string written = read_file(channel_file(dir));
    EXPECT_TRUE(std::regex_match(written, std::regex(rows[i].pattern)))
        << "row " << i << ": [" << written << "]";
  }
}

TEST(LogFacility, LineEndsBecomeCrLf) {
  scratch_folder dir;
  switches on(2 | 16, 1);
  log_facility log;
  log.set_folder(dir.path().c_str());
  log.line("test.log", "a\r\nb|");
  log.line("test.log", "c\rd|");
  log.line("test.log", "e\nf|");
  EXPECT_EQ(read_file(channel_file(dir)), "a\r\nb|cd|e\r\nf|");
}

TEST(LogFacility, EnabledNeedsAnOutputAndTheLevel) {
  struct row {
    DWORD flags, level;
    bool enabled;
  } rows[] = {{0, 1, false}, {1 | 8 | 16 | 32, 5, false}, {2, 1, true}, {4, 1, true}, {2, 0, false},
              {6, 3, true}};
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    switches on(rows[i].flags, rows[i].level);
    log_facility log;
    EXPECT_EQ(log.enabled(1), rows[i].enabled) << "row " << i;
    EXPECT_EQ(log.flags(), rows[i].flags) << "row " << i;
  }
}

TEST(LogFacility, WithoutFileOutputNothingIsWrittenOrRotated) {
  scratch_folder dir;
  testing_support::write_file(channel_file(dir), "old");
  switches on(4, 1);
  log_facility log;
  log.set_folder(dir.path().c_str());
  log.line("test.log", "entry");
  log.rotate("test.log");
  EXPECT_EQ(read_file(channel_file(dir)), "old");
  EXPECT_FALSE(file_exists(dir.file("test.0")));
}

TEST(LogFacility, ChannelWithAColonIsItsOwnPath) {
  scratch_folder dir;
  scratch_folder other;
  switches on(2 | 16, 1);
  log_facility log;
  log.set_folder(dir.path().c_str());
  std::string absolute = other.file("abs.txt");
  EXPECT_EQ(std::string(log.channel_path(absolute.c_str()).c_str()), absolute);
  log.line(absolute.c_str(), "x");
  EXPECT_EQ(read_file(absolute), "x");
  EXPECT_EQ(std::string(log.channel_path("\\sub.log").c_str()), dir.path() + "sub.log");
}

TEST(LogFacility, DefaultFolderIsTheLogFolderBesideTheModuleWhenItExists) {
  for (int with_log_folder = 0; with_log_folder < 2; ++with_log_folder) {
    scratch_folder dir;
    std::string copy = dir.file("probe.dll");
    ASSERT_TRUE(CopyFileA((testing_support::program_folder() + "rk_gui.dll").c_str(), copy.c_str(), FALSE));
    if (with_log_folder) CreateDirectoryA(dir.file("log").c_str(), nullptr);
    HMODULE module = LoadLibraryA(copy.c_str());
    ASSERT_NE(module, nullptr);
    {
      switches on(2 | 16, 1);
      log_facility log;
      log.set_module(module);
      log.line(nullptr, "hello");
      std::string expected = with_log_folder ? dir.file("log\\probe.log") : dir.file("probe.log");
      EXPECT_EQ(std::string(log.channel_path(nullptr).c_str()), expected) << with_log_folder;
      EXPECT_EQ(read_file(expected), "hello") << with_log_folder;
    }
    FreeLibrary(module);
  }
}

TEST(LogFacility, UnreadableModuleNameLogsToTheTemporaryFolder) {
  switches on(2 | 16, 1);
  log_facility log;
  log.set_module(reinterpret_cast<HMODULE>(0x10));
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  EXPECT_EQ(std::string(log.channel_path(nullptr).c_str()), std::string(temp) + "relaymx.log");
}

TEST(LogFacility, RotationKeepsOneGeneration) {
  scratch_folder dir;
  switches on(2 | 16, 1);
  log_facility log;
  log.set_folder(dir.path().c_str());
  log.rotate("profiler.log");  // no file yet: nothing happens, the next line makes one
  log.line("profiler.log", "first");
  log.rotate("profiler.log");
  log.line("profiler.log", "second");
  log.rotate("profiler.log");
  log.line("profiler.log", "third");
  EXPECT_EQ(read_file(dir.file("profiler.0")), "second");
  EXPECT_EQ(read_file(dir.file("profiler.log")), "third");
}
