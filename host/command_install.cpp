// install: lays the product out as its installer would: the modules in one folder, help and log
// folders beside them, and the folders recorded in the machine-wide registry where the plug-in reads them.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "host/commands.h"
#include "common/product_keys.h"

namespace {

constexpr const char* kDefaultFolder = "C:\\Program Files\\Kestrom\\Corvane Suite\\";
const char* const kModules[] = {"plughost.exe", "relaymx.tbp", kGuiLibraryName, kEngineLibraryName};
// The help files lie in help\ beside the host program, where context help also looks when no help
// folder is recorded; they go into the folder that AntispamHelp names.
const char* const kHelpFiles[] = {"help_en.chm"};

bool make_folders(const std::string& path) {
  for (size_t i = path.find('\\', 3); i != std::string::npos; i = path.find('\\', i + 1))
    CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The machine-wide data folder, where the basic settings and the statistics file live.
bool make_data_folder(std::string* made) {
  char common[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common))) return false;
  *made = std::string(common) + "\\" + kProductFolder + "\\";
  return make_folders(*made);
}

bool set_value(HKEY key, const char* name, const std::string& value) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool record_paths(const std::string& root) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPathsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  bool ok = set_value(key, kRootValue, root) && set_value(key, kHelpValue, root + "help\\") &&
            set_value(key, kLogValue, root + "log\\") &&
            set_value(key, kGuiLibraryName, root + kGuiLibraryName);
  RegCloseKey(key);
  return ok;
}

// Copies the named files that were built from one folder into another; a file not built is skipped.
template <size_t N>
bool copy_files(const std::string& from, const std::string& to, const char* const (&names)[N]) {
  for (const char* name : names) {
    std::string source = from + name;
    if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES) {
      std::printf("skipped:   %s (not built)\n", source.c_str());
      continue;
    }
    if (source != to + name && !CopyFileA(source.c_str(), (to + name).c_str(), FALSE)) {
      std::fprintf(stderr, "plughost: cannot copy %s to %s (error %lu)\n", name, to.c_str(), GetLastError());
      return false;
    }
    std::printf("installed: %s%s\n", to.c_str(), name);
  }
  return true;
}

}  // namespace

int command_install(const std::vector<std::string>& args, const host_options&) {
  if (args.size() > 1) {
    std::fprintf(stderr, "plughost: install takes at most one folder\n");
    return 2;
  }
  std::string root = args.empty() ? kDefaultFolder : args[0];
  if (root.back() != '\\') root += '\\';
  if (!make_folders(root) || !make_folders(root + "help\\") || !make_folders(root + "log\\")) {
    std::fprintf(stderr, "plughost: cannot create %s\n", root.c_str());
    return 1;
  }
  std::string from = host_folder();
  if (!copy_files(from, root, kModules) || !copy_files(from + "help\\", root + "help\\", kHelpFiles))
    return 1;
  std::string data;
  if (!make_data_folder(&data)) {
    std::fprintf(stderr, "plughost: cannot create the product data folder\n");
    return 1;
  }
  std::printf("data:      %s\n", data.c_str());
  if (!record_paths(root)) {
    std::fprintf(stderr, "plughost: cannot record the product folders in the registry\n");
    return 1;
  }
  std::printf("recorded:  HKLM\\%s (AntispamRoot, AntispamHelp, AntispamLog, rk_gui.dll)\n", kPathsKey);
  return 0;
}
