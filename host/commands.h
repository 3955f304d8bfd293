// The host's subcommands.
#pragma once
#include <string>
#include <vector>

struct host_options {
  std::string plugin_path;
};

// Folder of plughost.exe, ending in a backslash.
std::string host_folder();
// One line per command for --help.
std::string command_help();
// Runs a command; the result is the process's exit code (2 for an unknown command or bad arguments).
int run_command(const std::string& name, const std::vector<std::string>& args, const host_options& options);

int command_info(const std::vector<std::string>& args, const host_options& options);
int command_explain(const std::vector<std::string>& args, const host_options& options);
int command_install(const std::vector<std::string>& args, const host_options& options);
int command_check(const std::vector<std::string>& args, const host_options& options);
int command_train(const std::vector<std::string>& args, const host_options& options);
int command_run(const std::vector<std::string>& args, const host_options& options);
int command_setup(const std::vector<std::string>& args, const host_options& options);
int command_report(const std::vector<std::string>& args, const host_options& options);
