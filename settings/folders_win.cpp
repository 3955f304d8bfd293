// Settings folders, the per-user registry record and the basic settings file.
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/paths.h"
#include "common/verdict.h"
#include "log/log.h"
#include "settings/folders.h"

namespace {

// A stored folder that passes ensure_folder is used as it is.
bool stored_folder(registry_key& key, text* folder) {
  if (!key.handle() || !key.query_string(kUserSettingsValue, folder)) return false;
  text expanded;
  expand_environment(folder->c_str(), &expanded);
  if (ensure_folder(expanded.c_str()) == kFolderReady) {
    RLOG("[i] successfull. Breaking");  // spelt as the documented log line is
    return true;
  }
  RLOG("[i] failed.");
  return false;
}

// Makes the default folder and records it, unexpanded; both steps are always attempted.
bool default_folder(text* folder) {
  registry_key key;
  if (!key.create(kPathsKey, HKEY_CURRENT_USER) || !key.handle()) return false;
  RLOG("[i] creating antispam record in HKCU");
  folder->assign("%appdata%\\");
  folder->append(kProductFolder);
  folder->append("\\data\\");
  text expanded;
  expand_environment(folder->c_str(), &expanded);
  bool made = ensure_folder(expanded.c_str()) == kFolderReady;
  bool written = key.set_string(kUserSettingsValue, folder->c_str());
  return made && written;
}

}  // namespace

text common_settings::getsettingsfolder() {
  RLOG("[i] common_settings::getsettingsfolder invoked");
  // The line names an older key than kPathsKey, which is read below; it stays as documented.
  RLOG("[i] checking HKCU\\Software\\Kestrom\\Antispam");
  text folder;
  bool ok;
  {
    registry_key key(kPathsKey, HKEY_CURRENT_USER);
    ok = stored_folder(key, &folder);
  }
  if (!ok) ok = default_folder(&folder);
  if (!ok) {
    // "&d" is no conversion: the documented line logs this text as it stands, without the error code.
    RLOG("[-] Unable to open or create default setting's folder for antispam, &d");
    return text();
  }
  RLOG("[i] returning %s", folder.c_str());
  return folder;
}

bool create_folder_path(const char* path) {
  if (!path) return false;
  std::vector<char> scratch(path, path + std::strlen(path) + 1);
  for (char* p = scratch.data(); (p = std::strchr(p, '\\')) != nullptr; ++p) {
    *p = '\0';
    BOOL made = CreateDirectoryA(scratch.data(), nullptr);
    DWORD err = GetLastError();
    *p = '\\';
    // Existing prefixes and drive roots refuse; only a missing parent stops the walk.
    if (!made && err == ERROR_PATH_NOT_FOUND) return false;
  }
  return CreateDirectoryA(scratch.data(), nullptr) != FALSE;
}

// Writes and removes a scratch file to prove the folder takes files.
static int probe_folder(const char* path) {
  char name[MAX_PATH] = {};
  if (!GetTempFileNameA(path, "tst", 0, name)) return kFolderNotWritable;
  HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DeleteFileA(name);
    return kFolderNotWritable;
  }
  DWORD written = 0;
  BOOL ok = WriteFile(file, name, sizeof name, &written, nullptr);
  CloseHandle(file);
  DeleteFileA(name);
  return ok ? kFolderReady : kFolderFailed;
}

bool ensure_parent_folder(const char* file) {
  text folder(file);
  path_remove_file_name(folder);
  if (folder.empty()) return false;
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  create_folder_path(folder.c_str());
  attributes = GetFileAttributesA(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int ensure_folder(const char* path) {
  if (create_folder_path(path)) return kFolderReady;
  if (GetLastError() == ERROR_ALREADY_EXISTS) return probe_folder(path);
  // INVALID_FILE_ATTRIBUTES has the directory bit too, so a path that is not there also answers 3.
  if (GetFileAttributesA(path ? path : "") & FILE_ATTRIBUTE_DIRECTORY) return kFolderNotMade;
  return kFolderFailed;
}

// The common application-data folder is a property of the machine: it is asked for once per process,
// because the shell's answer costs more than the whole of a message check.
bool _get_common_appdata(text* path) {
  static const text folder = [] {
    char buf[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, buf))) buf[0] = '\0';
    return text(buf);
  }();
  if (folder.empty()) {
    RLOG("[-] _get_common_appdata cannot find 'all users application data 'folder");  // quotes as documented
    return false;
  }
  path->assign(folder.c_str());
  return true;
}

const char* get_product_data_folder(text* out) {
  if (!out) return nullptr;
  out->clear();
  if (!_get_common_appdata(out)) return nullptr;
  path_append(*out, kProductFolder);
  if (out->empty()) return nullptr;
  out->push_back('\\');
  return out->c_str();
}

const char* statistics_file_path(text* out) {
  if (!get_product_data_folder(out)) return nullptr;
  out->append(kStatisticsFile);
  out->truncate(kStatisticsPathMax);
  return out->c_str();
}

namespace {

struct basic_key {
  const char* name;
  int fallback;
};
const basic_key kBasicKeys[] = {
    {"spam threshold", kDefaultSpamThreshold},
    {"unsure threshold", kDefaultUnsureThreshold},
    {"enable outlook", 1},
    {"enable express", 1},
    {"enable thebat", 1},
};
constexpr size_t kBasicKeyCount = sizeof kBasicKeys / sizeof kBasicKeys[0];

// The values of "antispam.ini" as last read, with the file's size and time then. Every call looks at
// the file again and reads it anew when it changed, appeared or went away, so a change is seen at the
// next message as before, at a fraction of the cost of the profile calls.
struct basic_cache {
  SRWLOCK lock = SRWLOCK_INIT;
  bool valid = false;
  std::string file;
  WIN32_FILE_ATTRIBUTE_DATA stamp = {};
  bool exists = false;
  uint32_t values[kBasicKeyCount] = {};
};

bool same_stamp(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b) {
  return a.nFileSizeLow == b.nFileSizeLow && a.nFileSizeHigh == b.nFileSizeHigh &&
         CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

uint32_t cached_basic_setting(const char* file, uint32_t index) {
  static basic_cache cache;
  WIN32_FILE_ATTRIBUTE_DATA stamp = {};
  bool exists = GetFileAttributesExA(file, GetFileExInfoStandard, &stamp) != 0;
  AcquireSRWLockExclusive(&cache.lock);
  if (!cache.valid || cache.file != file || cache.exists != exists ||
      (exists && !same_stamp(cache.stamp, stamp))) {
    for (size_t i = 0; i < kBasicKeyCount; ++i)
      cache.values[i] =
          GetPrivateProfileIntA(kBasicSettingsSection, kBasicKeys[i].name, kBasicKeys[i].fallback, file);
    cache.file = file;
    cache.stamp = stamp;
    cache.exists = exists;
    cache.valid = true;
  }
  uint32_t value = cache.values[index];
  ReleaseSRWLockExclusive(&cache.lock);
  return value;
}

}  // namespace

uint32_t read_basic_setting(uint32_t index) {
  if (index >= kBasicKeyCount) return 0;
  text file;
  // Without the product data folder there is no file to read: the defaults hold.
  if (!get_product_data_folder(&file)) return static_cast<uint32_t>(kBasicKeys[index].fallback);
  file.append(kBasicSettingsFile);
  if (file.size() >= MAX_PATH) return static_cast<uint32_t>(kBasicKeys[index].fallback);
  return cached_basic_setting(file.c_str(), index);
}
