// Loads a plug-in, checks and trains one message, then ends the process without TBP_Finalize, as a
// mail client that is killed or exits in a hurry does. The process must still end.
#include <windows.h>

#include <cstring>

#include "host/plugin_api.h"

namespace {
const char kMessage[] = "Subject: hello\r\n\r\nA short message.\r\n";
const char kTime[16] = {static_cast<char>(0xEA), 7, 12, 0, 3, 0, 9, 0, 12, 0, 34, 0, 56, 0, 0, 0};

int WINAPI serve(int, int request, void* buffer, int size) {
  const char* data = request == 100005 ? kMessage : kTime;
  int length = request == 100005 ? static_cast<int>(sizeof(kMessage) - 1) : 16;
  if (!buffer) return length;
  int n = size < length ? size : length;
  std::memcpy(buffer, data, static_cast<size_t>(n));
  return n;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  plugin_module plugin;
  std::string error;
  if (!load_plugin(argv[1], plugin, error)) return 3;
  if (plugin.Initialize() != 0) return 4;
  plugin.FeedSpam(1, 1, serve);
  if (plugin.GetSpamScore(2, serve) < 0) return 5;
  ExitProcess(0);
}
