#include "host/commands.h"

#include <windows.h>

#include <cstdio>

namespace {

struct command {
  const char* name;
  const char* usage;
  int (*run)(const std::vector<std::string>&, const host_options&);
};

const command kCommands[] = {
    {"info", "info                    load the plug-in, start it, print its name, version and status",
     command_info},
    {"install",
     "install [DIR]           lay the product out in DIR (default C:\\Program Files\\Kestrom\\Corvane "
     "Suite)\n"
     "                          and record its folders in the machine-wide registry",
     command_install},
    {"check",
     "check PATH...|-         score each message: a message file, a folder of them (recursively), an\n"
     "                          mbox file, or - for one message on standard input; one line\n"
     "                          'score verdict name' each, then the count of each verdict.\n"
     "                          Exit code: for one message 0 spam, 1 good, 2 probable spam; for\n"
     "                          several 0; 3 on an error",
     command_check},
    {"train",
     "train --spam|--ham PATH...\n"
     "                          train the plug-in with each message as spam or as ham",
     command_train},
    {"run",
     "run --spam-dir DIR --ham-dir DIR | --index FILE [--root DIR] [--results FILE] [--verbose]\n"
     "      [--check-only | --train-only]\n"
     "                          the online protocol: check, then train with the gold label, each\n"
     "                          message in order; the results file has lines 'path judge score'.\n"
     "                          --train-only and --check-only make the two passes of a batch run",
     command_run},
    {"explain",
     "explain [--features] PATH...\n"
     "                        why each message scores as it does: the deciding white or black list\n"
     "                          rule, or the header fields, words and phrases that weighed most, with\n"
     "                          their pull towards spam (+) or good mail (-); --features lists the\n"
     "                          learned model's own features instead",
     command_explain},
    {"report", "report                  print the plug-in's information report", command_report},
    {"setup",
     "setup                   open the plug-in's configuration sheet, as the mail client's menu does,\n"
     "                          and tell afterwards which lists and whether the settings record\n"
     "                          (the option 'train by sent items') it saved",
     command_setup},
};

}  // namespace

std::string host_folder() {
  char buf[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  std::string path(buf, n);
  return path.substr(0, path.rfind('\\') + 1);
}

std::string command_help() {
  std::string out;
  for (const command& c : kCommands) out += std::string("  ") + c.usage + "\n";
  return out;
}

int run_command(const std::string& name, const std::vector<std::string>& args, const host_options& options) {
  for (const command& c : kCommands)
    if (name == c.name) return c.run(args, options);
  std::fprintf(stderr, "plughost: unknown command '%s' (see --help)\n", name.c_str());
  return 2;
}
