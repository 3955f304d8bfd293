#include "settings/plugin_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/storage.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::file_exists;
using testing_support::scratch_folder;

// Built as the client core builds it: register, reset, then pointed at a folder.
void prepare(plugin_settings& s, const std::string& folder) {
  s.bind(kBindRegister);
  s.bind(kBindReset);
  s.raw_working_directory = folder.c_str();
  s.apply_bindings();
}

void change_everything(plugin_settings& s) {
  s.target_spam_folder = "Spam";
  s.target_unsure_folder = "Unsure\\Maybe";
  s.target_spam_folder_id = 17;
  s.target_unsure_folder_id = -5;
  s.ft_hi = 0x01020304;
  s.ft_lo = -1;
  s.mark_spam_as_read = true;
  s.mark_unsure_as_read = false;
  s.target_spam_folder_valid = true;
  s.target_unsure_folder_valid = true;
  s.delete_spam_strategy = 1;
  s.age_of_spam_to_delete = 7;
  s.last_received_ltr1 = 100;
  s.last_received_ltr2 = 200;
  s.ask_or_not_for_train = true;
  s.train_by_sent_items = false;
  s.train_by_sent_address_book = false;
  s.bayes_train_by_sent_items = false;
  s.grade_marks_in_subject = true;
  s.max_single_path_level = 0.75;
}

void expect_same(const plugin_settings& a, const plugin_settings& b) {
  EXPECT_STREQ(a.target_spam_folder.c_str(), b.target_spam_folder.c_str());
  EXPECT_STREQ(a.target_unsure_folder.c_str(), b.target_unsure_folder.c_str());
  EXPECT_EQ(a.target_spam_folder_id, b.target_spam_folder_id);
  EXPECT_EQ(a.target_unsure_folder_id, b.target_unsure_folder_id);
  EXPECT_EQ(a.ft_hi, b.ft_hi);
  EXPECT_EQ(a.ft_lo, b.ft_lo);
  EXPECT_EQ(a.mark_spam_as_read, b.mark_spam_as_read);
  EXPECT_EQ(a.mark_unsure_as_read, b.mark_unsure_as_read);
  EXPECT_EQ(a.target_spam_folder_valid, b.target_spam_folder_valid);
  EXPECT_EQ(a.target_unsure_folder_valid, b.target_unsure_folder_valid);
  EXPECT_EQ(a.delete_spam_strategy, b.delete_spam_strategy);
  EXPECT_EQ(a.age_of_spam_to_delete, b.age_of_spam_to_delete);
  EXPECT_EQ(a.last_received_ltr1, b.last_received_ltr1);
  EXPECT_EQ(a.last_received_ltr2, b.last_received_ltr2);
  EXPECT_EQ(a.ask_or_not_for_train, b.ask_or_not_for_train);
  EXPECT_EQ(a.train_by_sent_items, b.train_by_sent_items);
  EXPECT_EQ(a.train_by_sent_address_book, b.train_by_sent_address_book);
  EXPECT_EQ(a.bayes_train_by_sent_items, b.bayes_train_by_sent_items);
  EXPECT_EQ(a.grade_marks_in_subject, b.grade_marks_in_subject);
  EXPECT_EQ(a.max_single_path_level, b.max_single_path_level);
  EXPECT_STREQ(a.working_directory.c_str(), b.working_directory.c_str());
}

// The documented keys of the record, in their order, with their binding types and defaults.
struct documented_key {
  const char* name;
  uint32_t type;
  double value;  // texts: empty by default
};
const documented_key kDocumentedKeys[] = {
    {"target spam folder", kBindText, 0},
    {"target unsure folder", kBindText, 0},
    {"target spam folderid", kBindSigned, -1},
    {"target unsure folderid", kBindSigned, -1},
    {"ft hi", kBindSigned, 0},
    {"ft lo", kBindSigned, 0},
    {"mark spam as read", kBindBool, 0},
    {"mark unsure as read", kBindBool, 1},
    {"target spam folder valid", kBindBool, 0},
    {"target unsure folder valid", kBindBool, 0},
    {"delete spam strategy", kBindSigned, 2},
    {"age of spam to delete", kBindSigned, 30},
    {"last received ltr1", kBindSigned, 0},
    {"last received ltr2", kBindSigned, 0},
    {"ask or not for train", kBindBool, 0},
    {"train by sent items", kBindBool, 1},
    {"train by sent address book", kBindBool, 1},
    {"bayes train by sent items", kBindBool, 1},
    {"grade marks in subject", kBindBool, 0},
    {"MaxSinglePathLevel", kBindDouble, 0.5},
};
constexpr size_t kDocumentedCount = sizeof kDocumentedKeys / sizeof kDocumentedKeys[0];

// Every documented key is bound, in order after the record's own working directory, and holds its
// default.
void expect_documented_defaults(const plugin_settings& s, const char* when) {
  const std::vector<setting_binding>& items = s.bindings()->items;
  ASSERT_GT(items.size(), kDocumentedCount) << when;
  const size_t first = items.size() - kDocumentedCount;
  for (size_t i = 0; i < first; ++i) EXPECT_STREQ(items[i].name, kWorkingDirectoryKey) << when;
  for (size_t i = 0; i < kDocumentedCount; ++i) {
    const documented_key& want = kDocumentedKeys[i];
    const setting_binding& b = items[first + i];
    ASSERT_STREQ(b.name, want.name) << when << ", key " << i;
    EXPECT_EQ(b.type, want.type) << when << ", " << want.name;
    EXPECT_EQ(b.category, kCategoryStorage) << when << ", " << want.name;
    switch (want.type) {
      case kBindText:
        EXPECT_TRUE(static_cast<const text*>(b.field)->empty()) << when << ", " << want.name;
        break;
      case kBindSigned:
        EXPECT_EQ(*static_cast<const int32_t*>(b.field), want.value) << when << ", " << want.name;
        break;
      case kBindBool:
        EXPECT_EQ(*static_cast<const bool*>(b.field), want.value != 0) << when << ", " << want.name;
        break;
      default: EXPECT_EQ(*static_cast<const double*>(b.field), want.value) << when << ", " << want.name;
    }
  }
}

TEST(PluginSettings, EveryKeyStartsAtItsDocumentedDefaultAndResetsToIt) {
  plugin_settings s;
  s.bind(kBindRegister);
  expect_documented_defaults(s, "as built");
  change_everything(s);
  s.bind(kBindReset);
  expect_documented_defaults(s, "after a reset");
}

TEST(PluginSettings, FirstStartWithoutAFileKeepsTheDefaults) {
  scratch_folder dir;
  plugin_settings s;
  prepare(s, dir.path());
  change_everything(s);  // a load without a file must not reset, so start from the defaults again
  s.bind(kBindReset);
  s.load_settings_file(kPluginSettingsFile);
  expect_documented_defaults(s, "without a file");
  EXPECT_FALSE(s.modified);
  EXPECT_EQ(s.storage_path, (dir.path() + kPluginSettingsFile).c_str());
}

TEST(PluginSettings, SavedFileLoadsBackWithEveryKey) {
  scratch_folder dir;
  plugin_settings s;
  prepare(s, dir.path());
  s.load_settings_file(kPluginSettingsFile);
  EXPECT_TRUE(s.save_if_modified());
  EXPECT_FALSE(file_exists(dir.file(kPluginSettingsFile)));  // nothing changed, nothing written
  change_everything(s);
  s.modified = true;
  ASSERT_TRUE(s.save_if_modified());
  EXPECT_FALSE(s.modified);

  plugin_settings back;
  prepare(back, dir.path());
  back.load_settings_file(kPluginSettingsFile);
  expect_same(back, s);
}

TEST(PluginSettings, FileHoldsTwentyOneValuesInOrder) {
  scratch_folder dir;
  plugin_settings s;
  prepare(s, dir.path());
  s.load_settings_file(kPluginSettingsFile);
  s.modified = true;
  ASSERT_TRUE(s.save_if_modified());

  settings_storage file;
  file.set_file_name(dir.file(kPluginSettingsFile).c_str());
  ASSERT_TRUE(file.load_file(true));
  const char* expected[] = {"working directory",
                            "target spam folder",
                            "target unsure folder",
                            "target spam folderid",
                            "target unsure folderid",
                            "ft hi",
                            "ft lo",
                            "mark spam as read",
                            "mark unsure as read",
                            "target spam folder valid",
                            "target unsure folder valid",
                            "delete spam strategy",
                            "age of spam to delete",
                            "last received ltr1",
                            "last received ltr2",
                            "ask or not for train",
                            "train by sent items",
                            "train by sent address book",
                            "bayes train by sent items",
                            "grade marks in subject",
                            "MaxSinglePathLevel"};
  storage_handle* key = file.open_key(kSettingsSection, nullptr);
  ASSERT_NE(key, nullptr);
  size_t i = 0;
  for (storage_handle* h = file.open_key(nullptr, key); h; h = file.next_entry_closing(h, true), ++i) {
    ASSERT_LT(i, 21u);
    EXPECT_EQ(h->id, file.name_id(expected[i])) << "value " << i << " " << expected[i];
    EXPECT_EQ(h->entry->type_code(), kCodeBlock) << "value " << i;
  }
  file.close_key(key);
  EXPECT_EQ(i, 21u);
  uint8_t level[16];
  size_t size = 0;
  ASSERT_TRUE(file.get_value("antispam basic settings\\MaxSinglePathLevel", nullptr, level, sizeof level,
                             &size, kCodeBlock, nullptr));
  const uint8_t half[12] = {0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xE0, 0x3F};
  ASSERT_EQ(size, sizeof half);
  EXPECT_EQ(0, std::memcmp(level, half, sizeof half));
}

TEST(PluginSettings, FailedSaveStaysModified) {
  scratch_folder dir;
  plugin_settings s;
  prepare(s, dir.path() + "missing\\");
  s.load_settings_file(kPluginSettingsFile);
  s.train_by_sent_items = false;
  s.modified = true;
  EXPECT_FALSE(s.save_if_modified());
  EXPECT_TRUE(s.modified);  // tried again at the next chance
}

TEST(PluginSettings, FirstRecordIsTheCurrentOne) {
  ASSERT_EQ(current_plugin_settings(), nullptr);
  {
    plugin_settings first;
    plugin_settings second;
    EXPECT_EQ(current_plugin_settings(), &first);
  }
  EXPECT_EQ(current_plugin_settings(), nullptr);
}

}  // namespace
