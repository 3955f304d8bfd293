#include "ui/framework/icon_bits.h"

#include <cstring>

#include "common/byte_io.h"

namespace {

constexpr uint32_t kMaxIconSide = 1024;  // far beyond any icon; keeps every size below overflow
constexpr uint8_t kOpaque = 255;

size_t row_bytes(uint32_t width, uint32_t bits_per_pixel) {
  return ((static_cast<size_t>(width) * bits_per_pixel + 31) / 32) * 4;
}

bool is_palette_depth(uint16_t bit_count) { return bit_count >= 1 && bit_count <= 8; }

bool is_known_depth(uint16_t bit_count) {
  return is_palette_depth(bit_count) || bit_count == 24 || bit_count == 32;
}

// The bitmap format: a count of 0 means the full 2^bits palette.
uint32_t palette_entries(const icon_header& h) {
  if (!is_palette_depth(h.bit_count)) return 0;
  uint32_t full = 1u << h.bit_count;
  return h.colours_used != 0 && h.colours_used < full ? h.colours_used : full;
}

// Bit x of a 1-bit row, most significant first.
bool mask_bit(const uint8_t* row, uint32_t x) { return (row[x / 8] >> (7 - x % 8)) & 1; }

// Pixel x of a palette row: bits a pixel, most significant first.
uint32_t palette_index(const uint8_t* row, uint32_t x, uint16_t bits) {
  uint32_t value = 0;
  for (size_t b = static_cast<size_t>(x) * bits, end = b + bits; b < end; ++b)
    value = (value << 1) | ((row[b / 8] >> (7 - b % 8)) & 1);
  return value;
}

struct layout {
  const uint8_t* palette;
  uint32_t palette_count;
  const uint8_t* colour;
  size_t colour_stride;
  const uint8_t* mask;
  size_t mask_stride;
};

layout locate(const uint8_t* bits, const icon_header& h, uint32_t height) {
  layout l;
  l.palette = bits + h.header_size;
  l.palette_count = palette_entries(h);
  l.colour = l.palette + static_cast<size_t>(l.palette_count) * 4;
  l.colour_stride = row_bytes(static_cast<uint32_t>(h.width), h.bit_count);
  l.mask = l.colour + l.colour_stride * height;
  l.mask_stride = row_bytes(static_cast<uint32_t>(h.width), 1);
  return l;
}

void colour_pixel(const layout& l, uint16_t bit_count, uint32_t x, uint32_t y, uint8_t* out) {
  const uint8_t* row = l.colour + l.colour_stride * y;
  if (bit_count == 32) {
    std::memcpy(out, row + x * 4, 4);
    return;
  }
  if (bit_count == 24) {
    std::memcpy(out, row + x * 3, 3);
    return;
  }
  uint32_t index = palette_index(row, x, bit_count);
  // An index past a short palette shows black rather than reading past it.
  if (index < l.palette_count)
    std::memcpy(out, l.palette + index * 4, 3);
  else
    std::memset(out, 0, 3);
}

void alpha_from_mask(const layout& l, uint32_t width, uint32_t height, uint8_t* out) {
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      out[(static_cast<size_t>(y) * width + x) * 4 + 3] =
          mask_bit(l.mask + l.mask_stride * y, x) ? 0 : kOpaque;
}

bool all_alpha_zero(const uint8_t* pixels, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (pixels[i * 4 + 3]) return false;
  return true;
}

}  // namespace

bool read_icon_header(const uint8_t* bits, size_t size, icon_header* header) {
  byte_view in{bits, size};
  uint32_t width, height, skip;
  icon_header h;
  if (!read_u32(&in, &h.header_size) || h.header_size < kBitmapHeaderSize || h.header_size > size)
    return false;
  if (!read_u32(&in, &width) || !read_u32(&in, &height) || !read_u16(&in, &h.planes) ||
      !read_u16(&in, &h.bit_count) || !read_u32(&in, &h.compression) || !read_u32(&in, &skip) ||
      !read_u32(&in, &skip) || !read_u32(&in, &skip) || !read_u32(&in, &h.colours_used))
    return false;
  h.width = static_cast<int32_t>(width);
  h.height = static_cast<int32_t>(height);
  *header = h;
  return true;
}

size_t icon_bits_needed(const icon_header& h) {
  if (!is_known_depth(h.bit_count) || h.compression != kBitmapUncompressed) return 0;
  if (h.width <= 0 || h.height <= 0 || static_cast<uint32_t>(h.width) > kMaxIconSide ||
      static_cast<uint32_t>(h.height) > 2 * kMaxIconSide)
    return 0;
  uint32_t width = static_cast<uint32_t>(h.width), height = static_cast<uint32_t>(h.height) / 2;
  return h.header_size + static_cast<size_t>(palette_entries(h)) * 4 +
         row_bytes(width, h.bit_count) * height + row_bytes(width, 1) * height;
}

icon_decode decode_icon_bits(const uint8_t* bits, size_t size, uint32_t width, uint32_t height,
                             uint8_t* out) {
  icon_header h;
  if (!read_icon_header(bits, size, &h)) return icon_decode::kOtherFormat;
  if (h.width != static_cast<int64_t>(width) || h.height / 2 != static_cast<int64_t>(height) ||
      !is_known_depth(h.bit_count) || h.compression != kBitmapUncompressed)
    return icon_decode::kOtherFormat;
  size_t needed = icon_bits_needed(h);
  if (needed == 0 || needed > size) return icon_decode::kCorrupt;
  layout l = locate(bits, h, height);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      colour_pixel(l, h.bit_count, x, y, out + (static_cast<size_t>(y) * width + x) * 4);
  size_t pixels = static_cast<size_t>(width) * height;
  if (h.bit_count != 32 || all_alpha_zero(out, pixels)) alpha_from_mask(l, width, height, out);
  return icon_decode::kDecoded;
}

bool read_group_directory(const uint8_t* bits, size_t size, std::vector<group_entry>* entries) {
  byte_view in{bits, size};
  uint16_t reserved, type, count;
  if (!read_u16(&in, &reserved) || !read_u16(&in, &type) || !read_u16(&in, &count)) return false;
  entries->clear();
  for (uint16_t i = 0; i < count && in.size >= kGroupEntrySize; ++i) {
    group_entry e;
    uint8_t w, h, reserved_byte;
    read_u8(&in, &w);
    read_u8(&in, &h);
    read_u8(&in, &e.colours);
    read_u8(&in, &reserved_byte);
    read_u16(&in, &e.planes);
    read_u16(&in, &e.bit_count);
    read_u32(&in, &e.bytes);
    read_u16(&in, &e.icon_id);
    e.width = w ? w : 256;
    e.height = h ? h : 256;
    entries->push_back(e);
  }
  return true;
}

int choose_group_entry(const std::vector<group_entry>& entries, uint32_t width, uint32_t height) {
  if (entries.empty()) return -1;
  int choice = 0;
  bool matched = false;
  for (size_t i = 0; i < entries.size(); ++i) {
    const group_entry& e = entries[i];
    if ((width && e.width != width) || (height && e.height != height)) continue;
    // The first entry stands in only until one of the right size is seen, however deep it is.
    if (!matched || e.bit_count >= entries[choice].bit_count) choice = static_cast<int>(i);
    matched = true;
  }
  return choice;
}
