#include "sfl_ipc/core/features.h"

#include <algorithm>

namespace sfl {

void feature_slots(const std::vector<uint32_t>& hashes, uint32_t table_bits, std::vector<uint32_t>* slots) {
    slots->resize(hashes.size());
    for (size_t i = 0; i < hashes.size(); ++i) (*slots)[i] = slot_of(hashes[i], table_bits);
    std::sort(slots->begin(), slots->end());
    slots->erase(std::unique(slots->begin(), slots->end()), slots->end());
}

}  // namespace sfl
