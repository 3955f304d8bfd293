#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "log/log.h"
#include "settings/storage.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::read_file;
using testing_support::scoped_reg_value;
using testing_support::scratch_folder;
using testing_support::write_file;

// A program of its own: the log reads its switches when it is first used.
TEST(StorageFile, MessagesNameTheFile) {
  const DWORD to_file = kLogToFile | kLogRaw, level = 1;
  scoped_reg_value flags(HKEY_LOCAL_MACHINE, "Software", "EnableZOLTLog", &to_file);
  scoped_reg_value lvl(HKEY_LOCAL_MACHINE, "Software", "ZOLTLogLevel", &level);
  scratch_folder dir;
  ASSERT_TRUE(log_enabled(1)) << "the log was built before this test";
  log_set_folder(dir.path().c_str());
  const std::string log_file = log_channel_path(nullptr).c_str();
  const std::string name = dir.file("relaymx.dat");
  settings_storage s;
  s.set_file_name(name.c_str());
  EXPECT_FALSE(s.load_file(true));
  EXPECT_FALSE(s.load_file(false));  // level 1: a file that need not exist is not reported
  const uint8_t value[1] = {1};
  s.set_value("v", nullptr, value, 1, kCodeBlock, false);
  ASSERT_TRUE(s.save_file(false));
  write_file(name, read_file(name) + "x");
  EXPECT_FALSE(s.load_file(true));
  // A save that cannot make its file, and one that cannot move it over a file held open.
  const std::string no_folder = dir.file("missing\\relaymx.dat");
  settings_storage elsewhere;
  elsewhere.set_file_name(no_folder.c_str());
  elsewhere.set_value("v", nullptr, value, 1, kCodeBlock, false);
  EXPECT_FALSE(elsewhere.save_file(false));
  HANDLE holder =
      CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  s.set_value("w", nullptr, value, 1, kCodeBlock, false);
  EXPECT_FALSE(s.save_file(false));
  CloseHandle(holder);
  std::string log = read_file(log_file);
  EXPECT_EQ(log, "can't open file \"" + name + "\"" + "can't unpack storage from \"" + name + "\"" +
                     "can't create file \"" + no_folder + "\"" + "can't create file \"" + name + "\"");
}

}  // namespace
