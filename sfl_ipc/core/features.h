// Feature hashes to weight-table slots: binary presence, so each slot counts once per message
// however often its features occur (repeats would let one long message dominate an update).
#pragma once

#include <cstdint>
#include <vector>

namespace sfl {

// Sorted, distinct slots of a table of 2^table_bits weights.
void feature_slots(const std::vector<uint32_t>& hashes, uint32_t table_bits, std::vector<uint32_t>* slots);

// The slot of one hash, as feature_slots maps it.
inline uint32_t slot_of(uint32_t hash, uint32_t table_bits) { return hash >> (32 - table_bits); }

}  // namespace sfl
