// Checked little-endian reading and writing over bytes from outside (storage files, settings blobs,
// resources, the engine's model). Writers append byte by byte; a reader only advances when the whole
// field is present, so a failed read leaves the view where it was.
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

// An unsigned integer of the given number of bytes (at most 8).
inline bool read_le(byte_view* in, size_t bytes, uint64_t* v) {
  if (in->size < bytes) return false;
  uint64_t r = 0;
  for (size_t i = 0; i < bytes; ++i) r |= static_cast<uint64_t>(in->data[i]) << (8 * i);
  *v = r;
  return skip_bytes(in, bytes);
}

inline bool read_u8(byte_view* in, uint8_t* v) {
  uint64_t r;
  if (!read_le(in, 1, &r)) return false;
  *v = static_cast<uint8_t>(r);
  return true;
}

inline bool read_u16(byte_view* in, uint16_t* v) {
  uint64_t r;
  if (!read_le(in, 2, &r)) return false;
  *v = static_cast<uint16_t>(r);
  return true;
}

inline bool read_u32(byte_view* in, uint32_t* v) {
  uint64_t r;
  if (!read_le(in, 4, &r)) return false;
  *v = static_cast<uint32_t>(r);
  return true;
}

inline bool read_u64(byte_view* in, uint64_t* v) { return read_le(in, 8, v); }

inline bool read_f32(byte_view* in, float* f) {
  uint32_t bits;
  if (!read_u32(in, &bits)) return false;
  std::memcpy(f, &bits, sizeof bits);  // the bit pattern of one scalar, not a struct layout
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

// Unsigned LEB128: 7 bits per byte, high bit set on every byte but the last. At most 5 bytes for
// 32 bits; a longer, overlong or overflowing encoding is corrupt.
inline bool read_varint(byte_view* in, uint32_t* v) {
  uint32_t r = 0;
  for (size_t i = 0; i < 5 && i < in->size; ++i) {
    uint8_t b = in->data[i];
    if (i == 4 && b > 0x0f) return false;
    r |= static_cast<uint32_t>(b & 0x7f) << (7 * i);
    if (!(b & 0x80)) {
      if (i > 0 && b == 0) return false;  // overlong: only the shortest form is valid
      *v = r;
      return skip_bytes(in, i + 1);
    }
  }
  return false;
}

inline void put_le(std::vector<uint8_t>* out, uint64_t v, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void put_u8(std::vector<uint8_t>* out, uint8_t v) { out->push_back(v); }
inline void put_u16(std::vector<uint8_t>* out, uint16_t v) { put_le(out, v, 2); }
inline void put_u32(std::vector<uint8_t>* out, uint32_t v) { put_le(out, v, 4); }
inline void put_u64(std::vector<uint8_t>* out, uint64_t v) { put_le(out, v, 8); }

inline void put_f32(std::vector<uint8_t>* out, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  put_u32(out, bits);
}

inline void put_varint(std::vector<uint8_t>* out, uint32_t v) {
  while (v >= 0x80) {
    out->push_back(static_cast<uint8_t>(v | 0x80));
    v >>= 7;
  }
  out->push_back(static_cast<uint8_t>(v));
}

inline void put_bytes(std::vector<uint8_t>* out, const void* p, size_t n) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  if (n) out->insert(out->end(), b, b + n);
}

// CRC-32 (IEEE 802.3, reflected, as zlib computes it).
uint32_t crc32(const uint8_t* data, size_t size);
