#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/storage.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::scratch_folder;
using testing_support::write_file;

std::string packed(settings_storage& s) {
  std::vector<uint8_t> out;
  EXPECT_TRUE(s.pack(&out));
  return std::string(out.begin(), out.end());
}

void fill(settings_storage& s) {
  storage_handle* key = s.create_key("antispam basic settings", nullptr, false);
  const uint8_t value[8] = {4};
  s.set_value("ft hi", key, value, sizeof value, kCodeBlock, false);
  s.close_key(key);
}

int files_in(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return n;
}

TEST(StorageFile, SaveAndLoadRoundTrip) {
  scratch_folder dir;
  const std::string name = dir.file("relaymx.dat");
  settings_storage s;
  s.set_file_name(name.c_str());
  fill(s);
  ASSERT_TRUE(s.save_file(true));
  EXPECT_FALSE(s.is_modified());
  EXPECT_EQ(read_file(name), packed(s));
  EXPECT_EQ(files_in(dir.path()), 1);  // no temporary file left beside it

  settings_storage back;
  back.set_file_name(name.c_str());
  ASSERT_TRUE(back.load_file(true));
  EXPECT_EQ(packed(back), packed(s));
  // Unmodified after a load: a save with only_if_modified writes nothing.
  ASSERT_TRUE(write_file(name, "sentinel"));
  EXPECT_TRUE(back.save_file(true));
  EXPECT_EQ(read_file(name), "sentinel");
}

TEST(StorageFile, DamagedFilesFailAndLeaveTheStorageEmpty) {
  scratch_folder dir;
  const std::string name = dir.file("relaymx.dat");
  settings_storage good;
  fill(good);
  const std::string valid = packed(good);
  const std::string cases[] = {
      "",                  // cannot be mapped
      valid.substr(0, 8),  // header without a dictionary
      valid + '\0',        // a byte after the tree
      valid.substr(0, valid.size() - 1),
      "abbX" + valid.substr(4),
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    ASSERT_TRUE(write_file(name, cases[i]));
    settings_storage s;
    fill(s);
    s.set_file_name(name.c_str());
    EXPECT_FALSE(s.load_file(true)) << "row " << i;
    EXPECT_EQ(s.root_child_count(), 0u) << "row " << i;
  }
}

// The old file survives a save that cannot complete, and the change stays pending.
TEST(StorageFile, FailedSaveKeepsTheOldFile) {
  scratch_folder dir;
  const std::string name = dir.file("relaymx.dat");
  ASSERT_TRUE(write_file(name, "old contents"));
  HANDLE holder =
      CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  settings_storage s;
  s.set_file_name(name.c_str());
  fill(s);
  EXPECT_FALSE(s.save_file(false));
  CloseHandle(holder);
  EXPECT_TRUE(s.is_modified());
  EXPECT_EQ(read_file(name), "old contents");
  EXPECT_EQ(files_in(dir.path()), 1);

  settings_storage missing_folder;
  missing_folder.set_file_name(dir.file("no such folder\\relaymx.dat").c_str());
  fill(missing_folder);
  EXPECT_FALSE(missing_folder.save_file(false));
}

// A process killed during a save leaves its temporary file; the next load removes it once it is old
// enough that no save can still be writing it.
TEST(StorageFile, LoadRemovesTemporaryFilesOfAKilledSave) {
  scratch_folder dir;
  const std::string name = dir.file("relaymx.dat");
  settings_storage s;
  s.set_file_name(name.c_str());
  fill(s);
  ASSERT_TRUE(s.save_file(false));
  struct row {
    const char* file;
    int age_minutes;
    bool removed;
  } rows[] = {{"rmx1A2B.tmp", 10, true},
              {"rmxFFFF.tmp", 0, false},
              {"other.tmp", 10, false},
              {"rmx0001.dat", 10, false}};
  for (const row& r : rows) {
    ASSERT_TRUE(write_file(dir.file(r.file), "partial"));
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= static_cast<ULONGLONG>(r.age_minutes) * 60 * 10000000;
    FILETIME then{t.LowPart, t.HighPart};
    HANDLE f =
        CreateFileA(dir.file(r.file).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(f, nullptr, nullptr, &then));
    CloseHandle(f);
  }
  settings_storage back;
  back.set_file_name(name.c_str());
  ASSERT_TRUE(back.load_file(true));
  EXPECT_EQ(packed(back), packed(s));
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i)
    EXPECT_EQ(file_exists(dir.file(rows[i].file)), !rows[i].removed) << "row " << i;
}

}  // namespace
