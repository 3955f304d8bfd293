// Icon images, icon group directories and dialog templates built byte by byte, as a resource compiler
// lays them out, for the tests of the readers and of the controls that use them.
#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/byte_io.h"

namespace resource_fixture {

using bytes = std::vector<uint8_t>;

// A copy of the first n bytes in a heap block of exactly n bytes, so that the sanitizers see a read
// past its end.
inline std::unique_ptr<uint8_t[]> exact_copy(const bytes& b, size_t n) {
  std::unique_ptr<uint8_t[]> p(new uint8_t[n ? n : 1]);
  std::copy(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n), p.get());
  return p;
}

// One image of an icon. pixels (bottom-up, width x height) are palette indices for up to 8 bits a
// pixel, else 0xAARRGGBB; a nonzero mask byte makes the pixel transparent.
struct icon_image {
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t bit_count = 32;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  std::vector<uint32_t> pixels;
  std::vector<uint8_t> mask;
  uint32_t colours_used = 0;  // as written in the header
};

inline size_t row_size(uint32_t width, uint32_t bits) { return ((size_t(width) * bits + 31) / 32) * 4; }

inline void put_bits(bytes* row, size_t bit, uint32_t bits, uint32_t value) {
  for (uint32_t k = 0; k < bits; ++k) {
    size_t b = bit + k;
    if ((value >> (bits - 1 - k)) & 1) (*row)[b / 8] |= static_cast<uint8_t>(0x80 >> (b % 8));
  }
}

inline bytes icon_bits(const icon_image& im) {
  bytes out;
  put_u32(&out, 40);
  put_u32(&out, im.width);
  put_u32(&out, im.height * 2);
  put_u16(&out, 1);
  put_u16(&out, im.bit_count);
  put_u32(&out, 0);  // uncompressed
  put_u32(&out, 0);
  put_u32(&out, 0);
  put_u32(&out, 0);
  put_u32(&out, im.colours_used);
  put_u32(&out, 0);
  for (uint32_t c : im.palette) put_u32(&out, c);
  for (uint32_t y = 0; y < im.height; ++y) {
    bytes row(row_size(im.width, im.bit_count), 0);
    for (uint32_t x = 0; x < im.width; ++x) {
      uint32_t p = im.pixels[y * im.width + x];
      if (im.bit_count <= 8)
        put_bits(&row, size_t(x) * im.bit_count, im.bit_count, p);
      else
        for (uint32_t k = 0; k < im.bit_count / 8u; ++k)
          row[x * (im.bit_count / 8u) + k] = uint8_t(p >> (8 * k));
    }
    put_bytes(&out, row.data(), row.size());
  }
  for (uint32_t y = 0; y < im.height; ++y) {
    bytes row(row_size(im.width, 1), 0);
    for (uint32_t x = 0; x < im.width; ++x) put_bits(&row, x, 1, im.mask[y * im.width + x] ? 1 : 0);
    put_bytes(&out, row.data(), row.size());
  }
  return out;
}

// A square image of one colour: the mask leaves the pixels of the left half transparent.
inline icon_image solid_icon(uint32_t size, uint16_t bit_count, uint32_t argb) {
  icon_image im;
  im.width = im.height = size;
  im.bit_count = bit_count;
  if (bit_count <= 8) {
    im.palette.assign(size_t(1) << bit_count, 0);
    im.palette[1] = argb & 0xFFFFFF;
    argb = 1;
  }
  im.pixels.assign(size_t(size) * size, argb);
  im.mask.assign(size_t(size) * size, 0);
  for (uint32_t y = 0; y < size; ++y)
    for (uint32_t x = 0; x < size / 2; ++x) im.mask[y * size + x] = 1;
  return im;
}

struct group_item {
  uint8_t width, height;
  uint16_t bit_count;
  uint32_t bytes;
  uint16_t icon_id;
};

inline bytes group_bits(const std::vector<group_item>& items) {
  bytes out;
  put_u16(&out, 0);
  put_u16(&out, 1);
  put_u16(&out, static_cast<uint16_t>(items.size()));
  for (const group_item& e : items) {
    put_u8(&out, e.width);
    put_u8(&out, e.height);
    put_u8(&out, 0);
    put_u8(&out, 0);
    put_u16(&out, 1);
    put_u16(&out, e.bit_count);
    put_u32(&out, e.bytes);
    put_u16(&out, e.icon_id);
  }
  return out;
}

// A name field of a template: an ordinal when name is null, else the string.
inline void put_name(bytes* out, const char* name, uint16_t ordinal) {
  if (!name) {
    put_u16(out, 0xFFFF);
    put_u16(out, ordinal);
    return;
  }
  for (const char* p = name; *p; ++p) put_u16(out, static_cast<uint8_t>(*p));
  put_u16(out, 0);
}

inline void pad4(bytes* out) {
  while (out->size() % 4) out->push_back(0);
}

struct item_spec {
  uint32_t style;
  uint32_t id;
  const char* class_name;  // null: class_ordinal
  uint16_t class_ordinal;
  const char* title;  // null: title_ordinal
  uint16_t title_ordinal;
  int16_t x, y, cx, cy;
  bytes extra;
  uint32_t help_id = 0;  // extended templates only
};

struct template_spec {
  bool extended = false;
  uint32_t style = 0;
  const char* menu = "";  // "" for none; null for the ordinal 7
  const char* class_name = "";
  const char* title = "Test";
  int16_t cx = 200, cy = 120;
  std::vector<item_spec> items;
};

inline bytes template_bits(const template_spec& t) {
  bytes out;
  uint16_t count = static_cast<uint16_t>(t.items.size());
  if (t.extended) {
    put_u16(&out, 1);
    put_u16(&out, 0xFFFF);
    put_u32(&out, 0);  // help id
    put_u32(&out, 0);  // extended style
    put_u32(&out, t.style);
  } else {
    put_u32(&out, t.style);
    put_u32(&out, 0);
  }
  put_u16(&out, count);
  for (int16_t v : {int16_t(0), int16_t(0), t.cx, t.cy}) put_u16(&out, static_cast<uint16_t>(v));
  put_name(&out, t.menu, 7);
  put_name(&out, t.class_name, 0);
  put_name(&out, t.title, 0);
  if (t.style & 0x40) {
    put_u16(&out, 8);
    if (t.extended) {
      put_u16(&out, 400);
      put_u8(&out, 0);
      put_u8(&out, 1);
    }
    put_name(&out, "MS Shell Dlg", 0);
  }
  for (const item_spec& it : t.items) {
    pad4(&out);
    if (t.extended) {
      put_u32(&out, it.help_id);
      put_u32(&out, 0);
      put_u32(&out, it.style);
    } else {
      put_u32(&out, it.style);
      put_u32(&out, 0);
    }
    for (int16_t v : {it.x, it.y, it.cx, it.cy}) put_u16(&out, static_cast<uint16_t>(v));
    if (t.extended)
      put_u32(&out, it.id);
    else
      put_u16(&out, static_cast<uint16_t>(it.id));
    put_name(&out, it.class_name, it.class_ordinal);
    put_name(&out, it.title, it.title_ordinal);
    put_u16(&out, static_cast<uint16_t>(it.extra.size()));
    put_bytes(&out, it.extra.data(), it.extra.size());
  }
  return out;
}

}  // namespace resource_fixture
