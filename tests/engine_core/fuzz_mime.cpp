// Any bytes must parse without a fault, within the limits, and tokenize.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sfl_ipc/core/mime.h"
#include "sfl_ipc/core/tokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view raw(reinterpret_cast<const char*>(data), size);
  sfl::parsed_message m = sfl::parse_message(raw);
  if (m.body_text.size() > sfl::mime_limits().max_body_text) std::abort();
  std::vector<uint32_t> hashes;
  sfl::extract_features(raw, sfl::tokenizer_params(), &hashes);
  return 0;
}
