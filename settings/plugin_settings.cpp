#include "settings/plugin_settings.h"

namespace {
plugin_settings* g_current = nullptr;
}

plugin_settings* current_plugin_settings() { return g_current; }

plugin_settings::plugin_settings() {
  if (!g_current) g_current = this;
}

plugin_settings::~plugin_settings() {
  if (g_current == this) g_current = nullptr;
}

void plugin_settings::reset_defaults() { static_cast<plugin_options&>(*this) = plugin_options(); }

void plugin_settings::bind(uint32_t mode) {
  if (!bindings()) return;
  base_bind(mode);
  if (mode == kBindRegister) {
    // The order here is the order of the values in the saved file.
    bind_setting(kCategoryStorage, kBindText, &target_spam_folder, "target spam folder", nullptr);
    bind_setting(kCategoryStorage, kBindText, &target_unsure_folder, "target unsure folder", nullptr);
    // "folderid" without a space is the key that saved files hold.
    bind_setting(kCategoryStorage, kBindSigned, &target_spam_folder_id, "target spam folderid", nullptr);
    bind_setting(kCategoryStorage, kBindSigned, &target_unsure_folder_id, "target unsure folderid", nullptr);
    bind_setting(kCategoryStorage, kBindSigned, &ft_hi, "ft hi", nullptr);
    bind_setting(kCategoryStorage, kBindSigned, &ft_lo, "ft lo", nullptr);
    bind_setting(kCategoryStorage, kBindBool, &mark_spam_as_read, "mark spam as read", nullptr);
    bind_setting(kCategoryStorage, kBindBool, &mark_unsure_as_read, "mark unsure as read", nullptr);
    bind_setting(kCategoryStorage, kBindBool, &target_spam_folder_valid, "target spam folder valid", nullptr);
    bind_setting(kCategoryStorage, kBindBool, &target_unsure_folder_valid, "target unsure folder valid",
                 nullptr);
    bind_setting(kCategoryStorage, kBindSigned, &delete_spam_strategy, "delete spam strategy", nullptr);
    bind_setting(kCategoryStorage, kBindSigned, &age_of_spam_to_delete, "age of spam to delete", nullptr);
    bind_setting(kCategoryStorage, kBindSigned, &last_received_ltr1, "last received ltr1", nullptr);
    bind_setting(kCategoryStorage, kBindSigned, &last_received_ltr2, "last received ltr2", nullptr);
    bind_setting(kCategoryStorage, kBindBool, &ask_or_not_for_train, "ask or not for train", nullptr);
    bind_setting(kCategoryStorage, kBindBool, &train_by_sent_items, "train by sent items", nullptr);
    bind_setting(kCategoryStorage, kBindBool, &train_by_sent_address_book, "train by sent address book",
                 nullptr);
    bind_setting(kCategoryStorage, kBindBool, &bayes_train_by_sent_items, "bayes train by sent items",
                 nullptr);
    bind_setting(kCategoryStorage, kBindBool, &grade_marks_in_subject, "grade marks in subject", nullptr);
    bind_setting(kCategoryStorage, kBindDouble, &max_single_path_level, kEngineSettingsName, nullptr);
    return;
  }
  if (mode == kBindReset) reset_defaults();
  apply_bindings();
}

void plugin_settings::load_settings_file(const char* file_name) {
  storage_path = working_directory;
  storage_path.append(file_name);
  // A missing file keeps the defaults, and without a text path the text part always reports failure.
  load_record(storage_path.c_str(), nullptr, kRecordStorage | kRecordText);
  if (!working_directory.empty() && working_directory.back() != '\\') working_directory.push_back('\\');
  if (!raw_working_directory.empty() && raw_working_directory.back() != '\\')
    raw_working_directory.push_back('\\');
  modified = false;
}

bool plugin_settings::save_if_modified() {
  if (!modified || storage_path.empty()) return true;
  uint32_t result = save_record(storage_path.c_str(), nullptr, kRecordStorage | kRecordText);
  if (result & kRecordStorage) return false;
  modified = false;
  return true;
}
