// Little-endian byte encoding and checked reading over untrusted byte buffers.
// Writers append byte by byte; readers check the remaining size first and advance only on success,
// so a failed read leaves the view where it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace sfl {

struct byte_view {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

inline void put_u8(std::vector<uint8_t>* out, uint8_t v) { out->push_back(v); }

inline void put_u16(std::vector<uint8_t>* out, uint16_t v) {
  for (int i = 0; i < 2; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void put_u32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void put_u64(std::vector<uint8_t>* out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void put_f32(std::vector<uint8_t>* out, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);  // the bit pattern of one scalar, not a struct layout
  put_u32(out, bits);
}

// Unsigned LEB128: 7 bits per byte, high bit set on every byte but the last.
inline void put_varint(std::vector<uint8_t>* out, uint32_t v) {
  while (v >= 0x80) {
    out->push_back(static_cast<uint8_t>(v | 0x80));
    v >>= 7;
  }
  out->push_back(static_cast<uint8_t>(v));
}

inline bool read_u8(byte_view* in, uint8_t* v) {
  if (in->size < 1) return false;
  *v = in->data[0];
  ++in->data;
  --in->size;
  return true;
}

inline bool read_le(byte_view* in, int bytes, uint64_t* v) {
  if (in->size < static_cast<size_t>(bytes)) return false;
  uint64_t r = 0;
  for (int i = 0; i < bytes; ++i) r |= static_cast<uint64_t>(in->data[i]) << (8 * i);
  in->data += bytes;
  in->size -= bytes;
  *v = r;
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
  std::memcpy(f, &bits, sizeof bits);
  return true;
}

// At most 5 bytes for 32 bits; a longer, overlong or overflowing encoding is corrupt.
inline bool read_varint(byte_view* in, uint32_t* v) {
  uint32_t r = 0;
  for (size_t i = 0; i < 5 && i < in->size; ++i) {
    uint8_t b = in->data[i];
    if (i == 4 && b > 0x0f) return false;
    r |= static_cast<uint32_t>(b & 0x7f) << (7 * i);
    if (!(b & 0x80)) {
      if (i > 0 && b == 0) return false;  // overlong: only the shortest form is valid
      in->data += i + 1;
      in->size -= i + 1;
      *v = r;
      return true;
    }
  }
  return false;
}

// CRC-32 (IEEE 802.3, reflected, as zlib computes it).
uint32_t crc32(const uint8_t* data, size_t size);

}  // namespace sfl
