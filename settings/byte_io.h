// Checked little-endian reading and writing over bytes from outside (storage files, settings blobs).
// A reader only advances when the whole field is present, so a failed read leaves it where it was.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

struct byte_view {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

inline bool skip_bytes(byte_view* in, size_t n) {
  if (in->size < n) return false;
  in->data += n;
  in->size -= n;
  return true;
}

inline bool read_bytes(byte_view* in, size_t n, const uint8_t** out) {
  if (in->size < n) return false;
  *out = in->data;
  return skip_bytes(in, n);
}

inline bool read_u8(byte_view* in, uint8_t* v) {
  if (in->size < 1) return false;
  *v = in->data[0];
  return skip_bytes(in, 1);
}

inline bool read_u16(byte_view* in, uint16_t* v) {
  if (in->size < 2) return false;
  *v = static_cast<uint16_t>(in->data[0] | (in->data[1] << 8));
  return skip_bytes(in, 2);
}

inline bool read_u32(byte_view* in, uint32_t* v) {
  if (in->size < 4) return false;
  *v = static_cast<uint32_t>(in->data[0]) | (static_cast<uint32_t>(in->data[1]) << 8) |
       (static_cast<uint32_t>(in->data[2]) << 16) | (static_cast<uint32_t>(in->data[3]) << 24);
  return skip_bytes(in, 4);
}

inline bool read_u64(byte_view* in, uint64_t* v) {
  uint32_t lo, hi;
  byte_view probe = *in;
  if (!read_u32(&probe, &lo) || !read_u32(&probe, &hi)) return false;
  *v = (static_cast<uint64_t>(hi) << 32) | lo;
  *in = probe;
  return true;
}

// A zero-terminated name that must end inside the view; the view moves past the zero.
inline bool read_cstring(byte_view* in, const char** s, size_t* len) {
  if (in->size == 0) return false;
  const void* zero = std::memchr(in->data, 0, in->size);
  if (!zero) return false;
  *len = static_cast<size_t>(static_cast<const uint8_t*>(zero) - in->data);
  *s = reinterpret_cast<const char*>(in->data);
  return skip_bytes(in, *len + 1);
}

inline void put_u8(std::vector<uint8_t>* out, uint8_t v) { out->push_back(v); }

inline void put_u16(std::vector<uint8_t>* out, uint16_t v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}

inline void put_u32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void put_u64(std::vector<uint8_t>* out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void put_bytes(std::vector<uint8_t>* out, const void* p, size_t n) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  if (n) out->insert(out->end(), b, b + n);
}
