// Where the module keeps its data: the per-user settings folder (recorded in the per-user registry),
// the machine-wide product data folder, and the basic switches of "antispam.ini" shared with the
// sibling plug-ins.
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/text.h"
#include "common/product_keys.h"
#include "settings/environment.h"

constexpr char kProductFolder[] = "Kestrom\\Corvane Suite";
constexpr char kBasicSettingsFile[] = "antispam.ini";
constexpr char kBasicSettingsSection[] = "Settings";

// Owner of one open registry key; destroying it closes the key.
class registry_key {
 public:
  registry_key() = default;
  registry_key(const char* subkey, HKEY root) { open(subkey, root); }
  ~registry_key() { close(); }
  registry_key(const registry_key&) = delete;
  registry_key& operator=(const registry_key&) = delete;

  bool open(const char* subkey, HKEY root);
  // Creates the key; an existing key is opened again for reading only.
  bool create(const char* subkey, HKEY root);
  bool reopen_writable();
  // REG_SZ; a refused write is retried once with the key reopened for full access.
  bool set_string(const char* name, const char* value);
  bool query_string(const char* name, text* out);
  bool query_raw(const char* name, void* buffer, DWORD* size);
  void close();
  HKEY handle() const { return handle_; }

 private:
  HKEY handle_ = nullptr;
  HKEY root_ = nullptr;
  text subkey_;
};

struct common_settings {
  // The per-user settings folder, unexpanded, ending in a backslash; empty when it can be neither
  // found nor created.
  static text getsettingsfolder();
};

// Results of ensure_folder; only kFolderReady counts as success.
enum folder_status : int {
  kFolderReady = 0,
  kFolderNotWritable = 1,
  kFolderFailed = 2,
  kFolderNotMade = 3,
};

bool create_folder_path(const char* path);
// Makes the folder that a file is to be written in, when it is missing; true when it exists after.
bool ensure_parent_folder(const char* file);
int ensure_folder(const char* path);
bool _get_common_appdata(text* path);
// The product data folder ending in a backslash, stored in out; null when it cannot be found.
const char* get_product_data_folder(text* out);
// The statistics file in the product data folder, cut to kStatisticsPathMax characters; null (and out
// empty) when the folder cannot be found.
constexpr size_t kStatisticsPathMax = 259;
const char* statistics_file_path(text* out);

enum basic_setting : uint32_t {
  kSpamThreshold = 0,
  kUnsureThreshold = 1,
  kEnableOutlook = 2,
  kEnableExpress = 3,
  kEnableThebat = 4,
};
// One integer of [Settings] in "antispam.ini"; the default when the file, the key or the product
// data folder is missing, or the index is out of range.
uint32_t read_basic_setting(uint32_t index);
