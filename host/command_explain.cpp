// explain: why a message scores as it does. The engine library beside the plug-in answers through its
// named exports: "sfl_explain" gives the deciding list rule, or the header fields, words and phrases
// that weighed most; "sfl_explain_features" (explain --features) the model's own features.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/product_keys.h"
#include "host/commands.h"
#include "host/mail_source.h"

namespace {

typedef int(WINAPI* explain_fn)(const char* message, int size, char* out, int out_size);

std::string folder_of(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string explain_one(explain_fn explain, const char* data, size_t size) {
  int n = explain(data, static_cast<int>(size), nullptr, 0);
  if (n <= 0) return std::string();
  std::string text(static_cast<size_t>(n), '\0');
  int got = explain(data, static_cast<int>(size), &text[0], n);
  text.resize(got > 0 && got <= n ? static_cast<size_t>(got) : 0);
  return text;
}

}  // namespace

int command_explain(const std::vector<std::string>& all_args, const host_options& options) {
  bool features = !all_args.empty() && all_args[0] == "--features";
  std::vector<std::string> args(all_args.begin() + (features ? 1 : 0), all_args.end());
  if (args.empty()) {
    std::fprintf(stderr, "plughost: explain needs at least one message\n");
    return 2;
  }
  std::vector<message_ref> messages;
  std::string error;
  if (!collect_messages(args, &messages, &error)) {
    std::fprintf(stderr, "plughost: %s\n", error.c_str());
    return 1;
  }
  std::string engine_path = folder_of(options.plugin_path) + kEngineLibraryName;
  HMODULE engine = LoadLibraryA(engine_path.c_str());
  auto explain = engine ? reinterpret_cast<explain_fn>(reinterpret_cast<void*>(
                              GetProcAddress(engine, features ? "sfl_explain_features" : "sfl_explain")))
                        : nullptr;
  if (!explain) {
    std::fprintf(stderr, "plughost: %s has no explanation export\n", engine_path.c_str());
    if (engine) FreeLibrary(engine);
    return 1;
  }
  message_reader reader;
  int failed = 0;
  for (const message_ref& m : messages) {
    if (!reader.read(m, &error)) {
      std::fprintf(stderr, "plughost: %s\n", error.c_str());
      ++failed;
      continue;
    }
    std::printf("== %s\n%s\n", m.name.c_str(), explain_one(explain, reader.data(), reader.size()).c_str());
  }
  FreeLibrary(engine);
  return failed ? 1 : 0;
}
