#include "common/copy_out.h"

#include <cstring>

#include "common/guard.h"

int copy_out_text(const char* source, char* buffer, int size) {
  size_t length = source ? std::strlen(source) : 0;
  int n = length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(length);
  if (!buffer || size < 0) return n;
  if (n == 0 || size == 0) return n;
  int count = n < size ? n : size;
  bool ok = guarded([&] { std::memcpy(buffer, source, static_cast<size_t>(count)); });
  return ok ? count : 0;
}
