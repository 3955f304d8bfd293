// Feature hashes to weight-table slots: binary presence, so each slot counts once per message
// however often its features occur (repeats would let one long message dominate an update).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sfl {

// The slot of one hash in a table of 2^table_bits weights.
inline uint32_t slot_of(uint32_t hash, uint32_t table_bits) { return hash >> (32 - table_bits); }

// Distinct slots of `hashes`, in order of first appearance. `seen` is a scratch bit set of
// 2^table_bits bits, all clear on entry and on return (sorting was the bulk of the cost).
void feature_slots(const std::vector<uint32_t>& hashes, uint32_t table_bits, std::vector<uint64_t>* seen,
                   std::vector<uint32_t>* slots);

}  // namespace sfl
