#include "ui/framework/dialog_init.h"

#include <cstring>

#include "common/byte_io.h"

bool read_dialog_init(const uint8_t* bits, size_t size, std::vector<dialog_init_entry>* out) {
  out->clear();
  byte_view in{bits, size};
  for (;;) {
    // Data that ends without the terminating id: every entry was whole, so nothing is lost.
    if (in.size == 0) return true;
    uint16_t control_id;
    if (!read_u16(&in, &control_id)) return false;
    if (control_id == 0) return true;
    uint16_t message;
    uint32_t length;
    const uint8_t* data;
    if (!read_u16(&in, &message) || !read_u32(&in, &length) || !read_bytes(&in, length, &data)) return false;
    dialog_init_entry entry;
    entry.control_id = control_id;
    entry.message = message;
    const void* zero = length ? std::memchr(data, 0, length) : nullptr;
    const size_t text_length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - data) : length;
    entry.text.assign(reinterpret_cast<const char*>(data), text_length);
    out->push_back(std::move(entry));
  }
}

unsigned dialog_init_message(uint16_t code) {
  switch (code) {
    case kInitListBoxAdd: return kListBoxAddString;
    case kInitComboBoxAdd: return kComboBoxAddString;
    case kInitComboBoxExInsert: return kComboBoxExInsertItem;
    default: return 0;
  }
}
