// setup: opens the plug-in's configuration sheet as the mail client's menu does (TBP_Setup), then
// tells what the sheet saved: which list files were written, and whether the settings record (where
// the "train by sent items" option lives) was written, which happens only when that option changed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "host/commands.h"
#include "host/session.h"
#include "common/product_keys.h"

namespace {

// What identifies one version of a file: a save replaces the file, so its write time moves.
struct file_state {
  bool exists = false;
  FILETIME written = {};
  ULONGLONG size = 0;
};

file_state state_of(const std::string& path) {
  file_state s;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return s;
  s.exists = true;
  s.written = data.ftLastWriteTime;
  s.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return s;
}

bool same_state(const file_state& a, const file_state& b) {
  return a.exists == b.exists && a.size == b.size && CompareFileTime(&a.written, &b.written) == 0;
}

// The plug-in's per-user folder, as its settings name it, with environment variables expanded and a
// backslash at the end; empty when none is recorded.
std::string settings_folder() {
  char raw[MAX_PATH] = {};
  DWORD size = sizeof(raw) - 1;
  if (RegGetValueA(HKEY_CURRENT_USER, kPathsKey, kUserSettingsValue,
                   RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, raw, &size) != ERROR_SUCCESS)
    return std::string();
  char expanded[MAX_PATH] = {};
  DWORD n = ExpandEnvironmentStringsA(raw, expanded, sizeof(expanded));
  std::string folder = n > 0 && n <= sizeof(expanded) ? expanded : raw;
  if (!folder.empty() && folder.back() != '\\') folder.push_back('\\');
  return folder;
}

struct watched_file {
  const char* label;
  const char* name;
};
const watched_file kWatched[] = {
    {"white list", kWhiteListFile}, {"black list", kBlackListFile}, {"settings record", kPluginSettingsFile}};
constexpr int kWatchedCount = 3;

}  // namespace

int command_setup(const std::vector<std::string>& args, const host_options& options) {
  if (!args.empty()) {
    std::fprintf(stderr, "plughost: setup takes no arguments\n");
    return 2;
  }
  plugin_session session;
  if (!session.start(options)) return 1;
  plugin_module& plugin = session.plugin();
  int status = plugin.GetStatus();
  if (status != 0) {
    std::fprintf(stderr, "plughost: the plug-in is not ready (status %d); it shows no settings\n", status);
    return 1;
  }
  std::string folder = settings_folder();
  if (folder.empty()) {
    std::fprintf(stderr, "plughost: no per-user settings folder is recorded\n");
    return 1;
  }
  file_state before[kWatchedCount];
  for (int i = 0; i < kWatchedCount; ++i) before[i] = state_of(folder + kWatched[i].name);

  std::fflush(stdout);
  int result = plugin.Setup();
  session.stop();

  std::printf("setup returned %d\n", result);
  for (int i = 0; i < kWatchedCount; ++i) {
    std::string path = folder + kWatched[i].name;
    bool saved = !same_state(before[i], state_of(path));
    std::printf("%s: %s (%s)\n", kWatched[i].label, saved ? "saved" : "unchanged", path.c_str());
  }
  return 0;
}
