// Readers of the resource library's dialog templates (the extended format only: the library carries
// no other) and dialog init data, from the resource bytes. Every length is checked before it is read.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rk_gui_test {

// A name or an ordinal, as templates give menus, classes and titles.
struct name_or_ordinal {
  bool is_ordinal = false;
  uint16_t ordinal = 0;
  std::string text;  // ASCII of the UTF-16 text
};

struct dialog_item {
  uint32_t help_id = 0, ex_style = 0, style = 0, id = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  name_or_ordinal class_name, title;
};

struct dialog_template {
  uint32_t help_id = 0, ex_style = 0, style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::string title, face;
  uint16_t point_size = 0;
  std::vector<dialog_item> items;
};

// False for a truncated template or one in the standard format.
bool read_dialog_template_ex(const uint8_t* data, size_t size, dialog_template* out);

struct dialog_init_entry {
  uint16_t control_id = 0, message = 0;
  std::string data;
};

// Entries up to the one with control id 0; false when an entry runs past the end.
bool read_dialog_init(const uint8_t* data, size_t size, std::vector<dialog_init_entry>* out);

}  // namespace rk_gui_test
