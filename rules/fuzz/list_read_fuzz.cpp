// libFuzzer target: any bytes load as a list, and the list's written form loads back to the same
// written form.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "rules/rule_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The input is copied into a buffer of its exact size, so a read past the end is caught.
  std::string bytes(reinterpret_cast<const char*>(data), size);
  rule_list list;
  list.read(bytes.data(), bytes.size());
  std::string written = list.write();
  rule_list again;
  again.read(written.data(), written.size());
  if (again.size() != list.size() || again.write() != written) std::abort();
  return 0;
}
