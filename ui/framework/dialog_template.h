// Dialog templates (RT_DIALOG) read as outside input, in the standard and the extended layout. Free of
// Win32, so they also build natively.
//
// Standard header: style u32, extended style u32, item count u16, x, y, cx, cy (u16 each). Extended
// header: version u16 (1), signature u16 (0xFFFF), help id u32, extended style u32, style u32, item
// count u16, x, y, cx, cy. Both go on with the menu and the class (each 0xFFFF and a u16 ordinal, or a
// zero-terminated UTF-16 string) and the title (a string); with DS_SETFONT the point size (standard),
// or point size, weight and italic with charset (extended), then the face name.
// Items start at 4-byte boundaries of the template. Standard item: style u32, extended style u32, x, y,
// cx, cy, id u16. Extended item: help id u32, extended style u32, style u32, x, y, cx, cy, id u32. Then
// the class and the title as above, and a u16 creation-data size followed by that many bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint16_t kTemplateOrdinal = 0xFFFF;
constexpr uint16_t kStaticClassOrdinal = 0x0082;
constexpr uint32_t kSetFontStyle = 0x40;  // DS_SETFONT
constexpr uint32_t kStaticTypeMask = 0x1F;
constexpr uint32_t kStaticIconType = 3;  // SS_ICON

struct template_item {
  uint32_t help_id = 0;  // extended items only
  uint32_t style = 0;
  uint32_t id = 0;
  bool static_class = false;  // the static ordinal, or the class named "Static"
  bool title_is_ordinal = false;
  uint16_t title_ordinal = 0;
};

struct dialog_layout {
  bool extended = false;
  uint32_t style = 0;
  std::vector<template_item> items;
};

// False when any part of the template, header or item, runs past its end.
bool read_dialog_template(const uint8_t* bits, size_t size, dialog_layout* layout);

// A static control showing an icon, whose title names the icon group by ordinal.
bool is_icon_static(const template_item& item);

// The size of a dialog in dialog units, held in the header at these byte offsets.
constexpr size_t kStandardSizeOffset = 14;
constexpr size_t kExtendedSizeOffset = 22;

// The byte count of the fixed header of the template's layout, which holds its size; 0 when even the
// signature is missing.
size_t template_header_size(const uint8_t* bits, size_t size);
// Width and height of the template in dialog units; false when the header is cut short.
bool read_template_size(const uint8_t* bits, size_t size, uint16_t* width, uint16_t* height);
// Writes width and height into the header; false (nothing written) when the header is cut short.
bool write_template_size(uint8_t* bits, size_t size, uint16_t width, uint16_t height);
