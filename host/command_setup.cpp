// setup: opens the plug-in's configuration sheet as the mail client's menu does (TBP_Setup), then
// tells what the sheet saved: which list files were written and the "train by sent items" option.
#include <windows.h>

#include <cstdio>
#include <string>

#include "host/commands.h"
#include "host/session.h"
#include "settings/plugin_settings.h"

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

// The plug-in's settings as it reads them: its per-user folder and its storage file there.
struct saved_settings {
  std::string folder;
  bool train_by_sent_items = true;
};

saved_settings read_settings() {
  plugin_settings record;
  record.bind(2);
  record.bind(0);
  record.init_working_directory();
  record.load_settings_file(kPluginSettingsFile);
  return {record.working_directory.c_str(), record.train_by_sent_items};
}

struct list_file {
  const char* label;
  const char* name;
};
const list_file kLists[] = {{"white list", "whitelist.txt"}, {"black list", "blacklist.txt"}};

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
  saved_settings before = read_settings();
  file_state lists_before[2];
  for (int i = 0; i < 2; ++i) lists_before[i] = state_of(before.folder + kLists[i].name);

  std::fflush(stdout);
  int result = plugin.Setup();
  session.stop();

  saved_settings after = read_settings();
  std::printf("setup returned %d\n", result);
  for (int i = 0; i < 2; ++i) {
    std::string path = after.folder + kLists[i].name;
    bool saved = !same_state(lists_before[i], state_of(path));
    std::printf("%s: %s (%s)\n", kLists[i].label, saved ? "saved" : "unchanged", path.c_str());
  }
  std::printf("train by sent items: %s (%s)\n", after.train_by_sent_items ? "on" : "off",
              after.train_by_sent_items == before.train_by_sent_items ? "unchanged" : "changed");
  return 0;
}
