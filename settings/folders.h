// Where the module keeps its data: the per-user settings folder (recorded in the per-user registry),
// the machine-wide product data folder, and the basic switches of "antispam.ini" shared with the
// sibling plug-ins.
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/text.h"
#include "common/product_keys.h"
#include "common/registry_key.h"
#include "settings/environment.h"

constexpr char kBasicSettingsFile[] = "antispam.ini";
constexpr char kBasicSettingsSection[] = "Settings";

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
