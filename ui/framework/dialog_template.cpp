#include "ui/framework/dialog_template.h"

#include <string_view>

#include "common/byte_io.h"

namespace {

constexpr size_t kStandardHeader = 18;  // up to the menu
constexpr size_t kExtendedHeader = 26;
constexpr size_t kStandardItem = 18;  // up to the class
constexpr size_t kExtendedItem = 24;
constexpr size_t kStandardFontWords = 1;
constexpr size_t kExtendedFontWords = 3;

struct reader {
  byte_view in;
  const uint8_t* start;
  size_t offset() const { return static_cast<size_t>(in.data - start); }
};

// A zero-terminated UTF-16 string; text, when given, receives its characters folded to ASCII lower
// case (enough to recognise a class name).
bool skip_string(reader* r, std::vector<char>* text = nullptr) {
  for (;;) {
    uint16_t c;
    if (!read_u16(&r->in, &c)) return false;
    if (c == 0) return true;
    if (text) text->push_back(c < 0x80 ? static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c) : '?');
  }
}

// An ordinal (0xFFFF and a number) or a string. A first word of 0 is the empty string.
bool read_name(reader* r, bool* is_ordinal, uint16_t* ordinal, std::vector<char>* text = nullptr) {
  byte_view probe = r->in;
  uint16_t first;
  if (!read_u16(&probe, &first)) return false;
  *is_ordinal = first == kTemplateOrdinal;
  if (!*is_ordinal) return skip_string(r, text);
  r->in = probe;
  return read_u16(&r->in, ordinal);
}

bool align4(reader* r) { return skip_bytes(&r->in, (4 - r->offset() % 4) % 4); }

bool read_header(reader* r, dialog_layout* layout, uint16_t* count) {
  byte_view probe = r->in;
  uint16_t version, signature;
  if (!read_u16(&probe, &version) || !read_u16(&probe, &signature)) return false;
  layout->extended = signature == kTemplateOrdinal;
  byte_view fields = r->in;
  if (layout->extended) {
    if (!skip_bytes(&fields, 12) || !read_u32(&fields, &layout->style) || !read_u16(&fields, count))
      return false;
  } else if (!read_u32(&fields, &layout->style) || !skip_bytes(&fields, 4) || !read_u16(&fields, count)) {
    return false;
  }
  if (!skip_bytes(&r->in, layout->extended ? kExtendedHeader : kStandardHeader)) return false;
  bool ordinal;
  uint16_t number;
  if (!read_name(r, &ordinal, &number) || !read_name(r, &ordinal, &number) || !skip_string(r)) return false;
  if (layout->style & kSetFontStyle) {
    size_t words = layout->extended ? kExtendedFontWords : kStandardFontWords;
    if (!skip_bytes(&r->in, words * 2) || !skip_string(r)) return false;
  }
  return true;
}

bool read_item(reader* r, bool extended, template_item* item) {
  if (!align4(r)) return false;
  byte_view fixed;
  if (!read_bytes(&r->in, extended ? kExtendedItem : kStandardItem, &fixed.data)) return false;
  fixed.size = extended ? kExtendedItem : kStandardItem;
  uint16_t id16 = 0;
  if (extended) {
    read_u32(&fixed, &item->help_id);
    skip_bytes(&fixed, 4);
    read_u32(&fixed, &item->style);
    skip_bytes(&fixed, 8);
    read_u32(&fixed, &item->id);
  } else {
    read_u32(&fixed, &item->style);
    skip_bytes(&fixed, 12);
    read_u16(&fixed, &id16);
    item->id = id16;
  }
  bool class_ordinal;
  uint16_t class_number = 0;
  std::vector<char> class_name;
  if (!read_name(r, &class_ordinal, &class_number, &class_name)) return false;
  class_name.push_back('\0');
  item->static_class =
      class_ordinal ? class_number == kStaticClassOrdinal : std::string_view(class_name.data()) == "static";
  if (!read_name(r, &item->title_is_ordinal, &item->title_ordinal)) return false;
  uint16_t extra;
  return read_u16(&r->in, &extra) && skip_bytes(&r->in, extra);
}

}  // namespace

bool read_dialog_template(const uint8_t* bits, size_t size, dialog_layout* layout) {
  reader r{{bits, size}, bits};
  uint16_t count = 0;
  *layout = dialog_layout();
  if (!read_header(&r, layout, &count)) return false;
  layout->items.resize(count);
  for (template_item& item : layout->items)
    if (!read_item(&r, layout->extended, &item)) return false;
  return true;
}

bool is_icon_static(const template_item& item) {
  return item.static_class && (item.style & kStaticTypeMask) == kStaticIconType && item.title_is_ordinal;
}

size_t template_header_size(const uint8_t* bits, size_t size) {
  byte_view in{bits, size};
  uint16_t version, signature;
  if (!read_u16(&in, &version) || !read_u16(&in, &signature)) return 0;
  return signature == kTemplateOrdinal ? kExtendedHeader : kStandardHeader;
}

static size_t size_offset(const uint8_t* bits, size_t size) {
  const size_t header = template_header_size(bits, size);
  if (header == 0 || size < header) return 0;
  return header == kExtendedHeader ? kExtendedSizeOffset : kStandardSizeOffset;
}

bool read_template_size(const uint8_t* bits, size_t size, uint16_t* width, uint16_t* height) {
  const size_t offset = size_offset(bits, size);
  if (offset == 0) return false;
  byte_view in{bits + offset, size - offset};
  return read_u16(&in, width) && read_u16(&in, height);
}

bool write_template_size(uint8_t* bits, size_t size, uint16_t width, uint16_t height) {
  const size_t offset = size_offset(bits, size);
  if (offset == 0) return false;
  const uint16_t values[] = {width, height};
  for (size_t i = 0; i < 2; ++i) {
    bits[offset + 2 * i] = static_cast<uint8_t>(values[i]);
    bits[offset + 2 * i + 1] = static_cast<uint8_t>(values[i] >> 8);
  }
  return true;
}
