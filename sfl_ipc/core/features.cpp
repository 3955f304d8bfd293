#include "sfl_ipc/core/features.h"

namespace sfl {

void feature_slots(const std::vector<uint32_t>& hashes, uint32_t table_bits, std::vector<uint64_t>* seen,
                   std::vector<uint32_t>* slots) {
  size_t words = (size_t{1} << table_bits) / 64;
  if (seen->size() != words) seen->assign(words, 0);
  uint64_t* bits = seen->data();
  slots->clear();
  for (uint32_t h : hashes) {
    uint32_t s = slot_of(h, table_bits);
    uint64_t mask = uint64_t{1} << (s & 63);
    if (bits[s >> 6] & mask) continue;
    bits[s >> 6] |= mask;
    slots->push_back(s);
  }
  for (uint32_t s : *slots) bits[s >> 6] = 0;
}

}  // namespace sfl
