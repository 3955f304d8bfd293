// Any bytes must decode to ok or a rejection without a fault; what decodes must re-encode to the
// same bytes (one encoding per state). Each input is also tried with its checksum made right, so
// that the fuzzer reaches the field checks behind the checksum.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/byte_io.h"
#include "sfl_ipc/core/model_file.h"

namespace {

void check(const std::vector<uint8_t>& bytes) {
  // One small target for all runs: building a default-sized table per run would dominate.
  static sfl::classifier c([] {
    sfl::classifier_params p;
    p.model.table_bits = sfl::kMinTableBits;
    return p;
  }());
  if (sfl::decode_model(bytes.data(), bytes.size(), &c) != sfl::model_load::ok) return;
  if (sfl::encode_model(c) != bytes) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  check(bytes);
  if (size < 4) return 0;
  bytes.resize(size - 4);
  put_u32(&bytes, crc32(bytes.data(), bytes.size()));
  check(bytes);
  return 0;
}
