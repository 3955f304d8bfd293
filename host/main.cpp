// plughost: plays the mail client. It loads an antispam plug-in (.tbp) by path, hands it a bridge
// object and drives its exports, so that a person or a test can use the plug-in outside the client.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/commands.h"

namespace {

void print_usage() {
  std::printf(
      "usage: plughost [--plugin PATH] COMMAND [ARGS...]\n"
      "\n"
      "Loads an antispam plug-in as the mail client does and drives it.\n"
      "\n"
      "options:\n"
      "  --plugin PATH   the plug-in module to load (default: relaymx.tbp beside plughost.exe)\n"
      "  --help          show this text\n"
      "\n"
      "commands:\n"
      "%s",
      command_help().c_str());
}

}  // namespace

int main(int argc, char** argv) {
  host_options options;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h" || a == "/?") {
      print_usage();
      return 0;
    }
    if (a == "--plugin") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "plughost: --plugin needs a path\n");
        return 2;
      }
      options.plugin_path = argv[++i];
      continue;
    }
    args.push_back(a);
  }
  if (args.empty()) {
    print_usage();
    return 2;
  }
  if (options.plugin_path.empty()) options.plugin_path = host_folder() + "relaymx.tbp";
  std::string command = args.front();
  args.erase(args.begin());
  return run_command(command, args, options);
}
