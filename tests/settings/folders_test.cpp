#include "settings/folders.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

using testing_support::file_exists;
using testing_support::remove_tree;
using testing_support::scoped_reg_value;
using testing_support::scratch_folder;
using testing_support::write_file;

const char kDefaultFolder[] = "%appdata%\\Kestrom\\Corvane Suite\\data\\";

bool is_folder(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string stored_value() {
  registry_key key(kPathsKey, HKEY_CURRENT_USER);
  text value;
  if (!key.query_string(kUserSettingsValue, &value)) return "<none>";
  return value.c_str();
}

// Points %APPDATA% at a scratch folder for the life of the object.
class private_appdata {
 public:
  private_appdata() {
    old_ = GetEnvironmentVariableA("APPDATA", buf_, sizeof buf_) ? buf_ : "";
    SetEnvironmentVariableA("APPDATA", dir_.path().substr(0, dir_.path().size() - 1).c_str());
  }
  ~private_appdata() { SetEnvironmentVariableA("APPDATA", old_.empty() ? nullptr : old_.c_str()); }
  const scratch_folder& dir() const { return dir_; }

 private:
  scratch_folder dir_;
  char buf_[MAX_PATH] = {};
  std::string old_;
};

TEST(SettingsFolder, FirstStartCreatesAndRecordsTheDefault) {
  private_appdata appdata;
  scoped_reg_value absent(HKEY_CURRENT_USER, kPathsKey, kUserSettingsValue,
                          static_cast<const char*>(nullptr));
  text first = common_settings::getsettingsfolder();
  EXPECT_STREQ(first.c_str(), kDefaultFolder);
  EXPECT_EQ(stored_value(), kDefaultFolder);  // unexpanded, although the key already existed read-only
  EXPECT_TRUE(is_folder(appdata.dir().path() + "Kestrom\\Corvane Suite\\data"));
  text second = common_settings::getsettingsfolder();
  EXPECT_STREQ(second.c_str(), kDefaultFolder);
}

TEST(SettingsFolder, UsableStoredFolderIsKeptAndAnUnusableOneReplaced) {
  private_appdata appdata;
  const std::string own = appdata.dir().path() + "own\\";
  {
    scoped_reg_value stored(HKEY_CURRENT_USER, kPathsKey, kUserSettingsValue, own.c_str());
    EXPECT_STREQ(common_settings::getsettingsfolder().c_str(), own.c_str());
    EXPECT_EQ(stored_value(), own);
    EXPECT_TRUE(is_folder(own));
  }
  {
    // A drive that does not exist cannot hold the folder.
    scoped_reg_value stored(HKEY_CURRENT_USER, kPathsKey, kUserSettingsValue, "K:\\nowhere\\data\\");
    EXPECT_STREQ(common_settings::getsettingsfolder().c_str(), kDefaultFolder);
    EXPECT_EQ(stored_value(), kDefaultFolder);
  }
}

TEST(SettingsFolder, EnsureFolderCodes) {
  scratch_folder dir;
  ASSERT_TRUE(write_file(dir.file("plain.txt"), "x"));
  struct row {
    std::string path;
    int code;
  } rows[] = {
      {dir.file("a\\b\\c\\"), kFolderReady},        // made, walk and all
      {dir.file("a\\b\\c\\"), kFolderReady},        // exists and takes files
      {dir.file("a\\b"), kFolderReady},             // no trailing backslash
      {dir.file("plain.txt"), kFolderNotWritable},  // a file where the folder should be
      {dir.file("plain.txt\\sub\\"), kFolderNotMade},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i)
    EXPECT_EQ(ensure_folder(rows[i].path.c_str()), rows[i].code) << "row " << i;
  EXPECT_TRUE(is_folder(dir.file("a\\b\\c")));
  // With a trailing backslash the walk makes the last folder, so the final call finds it there.
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(create_folder_path(dir.file("x\\y\\").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(is_folder(dir.file("x\\y")));
}

// The test writes "antispam.ini" into the machine-wide data folder; teardown removes it and the
// folders the test made, so that a failed assertion leaves the machine as it was.
class BasicSettings : public testing::Test {
 protected:
  void SetUp() override {
    text folder;
    ASSERT_NE(get_product_data_folder(&folder), nullptr);
    ASSERT_EQ(folder.back(), '\\');
    dir_ = folder.c_str();
    ini_ = dir_ + kBasicSettingsFile;
    parent_ = dir_.substr(0, dir_.size() - 1);
    parent_ = parent_.substr(0, parent_.rfind('\\') + 1);  // the "Kestrom" folder
    made_parent_ = !is_folder(parent_);
    made_ = !is_folder(dir_);
    ini_was_there_ = file_exists(ini_);
  }
  void TearDown() override {
    if (ini_.empty() || ini_was_there_) return;
    DeleteFileA(ini_.c_str());
    if (made_) remove_tree(dir_);
    if (made_parent_) remove_tree(parent_);
  }

  std::string dir_, ini_, parent_;
  bool made_parent_ = false, made_ = false, ini_was_there_ = false;
};

TEST_F(BasicSettings, DefaultsWithoutTheFileAndValuesWithIt) {
  ASSERT_FALSE(ini_was_there_) << "left over from elsewhere: " << ini_;
  const uint32_t defaults[] = {85, 75, 1, 1, 1};
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(read_basic_setting(i), defaults[i]) << "index " << i;

  ASSERT_EQ(ensure_folder(dir_.c_str()), kFolderReady);
  ASSERT_TRUE(write_file(ini_,
                         "[Settings]\r\nspam threshold=90\r\nunsure threshold=60\r\nenable outlook=0\r\n"
                         "enable express=2\r\nenable thebat=0\r\n"));
  const uint32_t values[] = {90, 60, 0, 2, 0};
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(read_basic_setting(i), values[i]) << "index " << i;
  ASSERT_TRUE(write_file(ini_, "[Settings]\r\nunsure threshold=70\r\n"));
  EXPECT_EQ(read_basic_setting(kSpamThreshold), 85u);  // one key missing: its default
  EXPECT_EQ(read_basic_setting(kUnsureThreshold), 70u);
}

}  // namespace
