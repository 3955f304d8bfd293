// Any bytes must decode to ok or a rejection without a fault; what decodes must re-encode to the
// same bytes (one encoding per state).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sfl_ipc/core/model_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sfl::classifier c;
    if (sfl::decode_model(data, size, &c) != sfl::model_load::ok) return 0;
    std::vector<uint8_t> again = sfl::encode_model(c);
    if (again.size() != size || !std::equal(again.begin(), again.end(), data)) std::abort();
    return 0;
}
