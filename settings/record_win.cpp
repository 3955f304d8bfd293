// The parts of settings_record that reach the per-user folder and the files.
#include "log/log.h"
#include "settings/folders.h"
#include "settings/record.h"
#include "settings/storage.h"

void settings_record::init_working_directory() {
  base_bind(kBindRegister);
  text folder = common_settings::getsettingsfolder();
  if (!folder.empty()) {
    if (folder.back() != '\\') folder.push_back('\\');
    raw_working_directory = folder;
    RLOG("[i] workdir is %s", folder.c_str());
  }
  apply_bindings();
}

uint32_t settings_record::save_record(const char* storage_path, const char* text_path, uint32_t flags) {
  if (!bindings()) return kRecordNoBindings;
  uint32_t result = 0;
  if (flags & kRecordStorage) {
    settings_storage storage;
    storage.set_file_name(storage_path);
    if (!storage_path || !write_section(storage) || !storage.save_file(true)) result |= kRecordStorage;
  }
  if ((flags & kRecordText) && !write_text_file(text_path)) result |= kRecordText;
  return result;
}

uint32_t settings_record::load_record(const char* storage_path, const char* text_path, uint32_t flags) {
  if (!bindings()) return kRecordNoBindings;
  uint32_t result = 0;
  if (flags & kRecordStorage) {
    if (!storage_path) {
      result |= kRecordStorage;
    } else {
      settings_storage storage;
      storage.set_file_name(storage_path);
      if (!storage.load_file(true) || !read_section(storage)) result |= kRecordStorage;
    }
  }
  if (flags & kRecordText) {
    bind(kBindApply);
    if (!read_text_file(text_path)) result |= kRecordText;
  }
  return result;
}
