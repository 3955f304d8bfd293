// info: the start-up the client performs, and what the plug-in tells about itself.
#include <cstdio>

#include "host/commands.h"
#include "host/session.h"

namespace {

const char* status_text(int status) {
  switch (status) {
    case 0: return "ready";
    case -1: return "no instance";
    case -2: return "disabled";
    default: return "unknown";
  }
}

}  // namespace

int command_info(const std::vector<std::string>& args, const host_options& options) {
  if (!args.empty()) {
    std::fprintf(stderr, "plughost: info takes no arguments\n");
    return 2;
  }
  plugin_session session;
  if (!session.start(options)) return 1;
  plugin_module& plugin = session.plugin();
  std::printf("plugin:      %s\n", options.plugin_path.c_str());
  std::printf("name:        %s\n", plugin_text(plugin.GetName).c_str());
  std::printf("version:     %s\n", plugin_text(plugin.GetVersion).c_str());
  std::printf("start:       0x%08X\n", static_cast<unsigned>(session.start_status()));
  int status = plugin.GetStatus();
  std::printf("status:      %d (%s)\n", status, status_text(status));
  std::printf("need config: %d\n", plugin.NeedConfig());
  std::printf("need COM:    %d\n", plugin.NeedCOM());
  std::printf("bridge refs: %lu\n", session.bridge().references());
  session.stop();
  std::printf("after unload the bridge holds %lu reference(s)\n", session.bridge().references());
  return 0;
}
