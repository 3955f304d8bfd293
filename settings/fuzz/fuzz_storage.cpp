// Feeds arbitrary bytes to the storage parser; whatever loads must pack and load again.
#include <cstdlib>
#include <vector>

#include "settings/storage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  settings_storage s;
  if (!s.load_from_memory(data, size)) {
    if (s.root_child_count() != 0) std::abort();
    return 0;
  }
  std::vector<uint8_t> packed;
  if (!s.pack(&packed)) std::abort();
  settings_storage again;
  if (!again.load_from_memory(packed.data(), packed.size())) std::abort();
  return 0;
}
