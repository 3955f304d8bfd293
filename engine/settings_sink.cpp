#include <cstdlib>
#include <cstring>

#include "engine/engine_interface.h"

void settings_sink::free_data() {
  std::free(data_);
  data_ = nullptr;
  size_ = 0;
}

void* STDMETHODCALLTYPE settings_sink::release(unsigned flags) {
  free_data();
  if (flags & 1) delete this;
  return this;
}

// A block that would not fit in memory, or whose total would wrap, is refused and the sink keeps what
// it had.
void STDMETHODCALLTYPE settings_sink::append(const void* bytes, uint64_t size) {
  if (!bytes || size == 0 || size > SIZE_MAX - size_) return;
  auto* grown = static_cast<uint8_t*>(std::realloc(data_, static_cast<size_t>(size_ + size)));
  if (!grown) return;
  std::memcpy(grown + size_, bytes, static_cast<size_t>(size));
  data_ = grown;
  size_ += size;
}
