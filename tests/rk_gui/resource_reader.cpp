#include "tests/rk_gui/resource_reader.h"

namespace rk_gui_test {
namespace {

constexpr uint16_t kExtendedSignature = 0xFFFF;
constexpr uint32_t kSetFont = 0x40;  // DS_SETFONT
constexpr size_t kHeaderFixed = 26;  // version to cy
constexpr size_t kItemFixed = 24;    // help id to id
constexpr uint16_t kOrdinalMarker = 0xFFFF;

class byte_reader {
 public:
  byte_reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool u16(uint16_t* v) {
    if (size_ - pos_ < 2) return false;
    *v = static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return true;
  }
  bool u32(uint32_t* v) {
    uint16_t lo, hi;
    if (size_ - pos_ < 4 || !u16(&lo) || !u16(&hi)) return false;
    *v = lo | static_cast<uint32_t>(hi) << 16;
    return true;
  }
  bool s16(int16_t* v) {
    uint16_t u;
    if (!u16(&u)) return false;
    *v = static_cast<int16_t>(u);
    return true;
  }
  bool bytes(size_t n, std::string* out) {
    if (size_ - pos_ < n) return false;
    out->assign(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return true;
  }
  bool skip(size_t n) {
    if (size_ - pos_ < n) return false;
    pos_ += n;
    return true;
  }
  // A zero-terminated UTF-16 text, narrowed to its low bytes.
  bool text(std::string* out) {
    out->clear();
    for (uint16_t c; u16(&c);) {
      if (c == 0) return true;
      out->push_back(static_cast<char>(c));
    }
    return false;
  }
  bool name(name_or_ordinal* out) {
    uint16_t first;
    if (!u16(&first)) return false;
    if (first == kOrdinalMarker) {
      out->is_ordinal = true;
      return u16(&out->ordinal);
    }
    if (first == 0) return true;
    out->text.assign(1, static_cast<char>(first));
    std::string rest;
    if (!text(&rest)) return false;
    out->text += rest;
    return true;
  }
  bool align4() { return skip((4 - pos_ % 4) % 4); }
  size_t remaining() const { return size_ - pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

bool read_item(byte_reader* in, dialog_item* item) {
  uint16_t extra = 0;
  return in->align4() && in->remaining() >= kItemFixed && in->u32(&item->help_id) &&
         in->u32(&item->ex_style) && in->u32(&item->style) && in->s16(&item->x) && in->s16(&item->y) &&
         in->s16(&item->cx) && in->s16(&item->cy) && in->u32(&item->id) && in->name(&item->class_name) &&
         in->name(&item->title) && in->u16(&extra) && in->skip(extra);
}

bool read_font(byte_reader* in, dialog_template* out) {
  uint16_t weight;
  return in->u16(&out->point_size) && in->u16(&weight) && in->skip(2) && in->text(&out->face);
}

}  // namespace

bool read_dialog_template_ex(const uint8_t* data, size_t size, dialog_template* out) {
  byte_reader in(data, size);
  uint16_t version, signature, count;
  if (size < kHeaderFixed || !in.u16(&version) || !in.u16(&signature) || signature != kExtendedSignature)
    return false;
  name_or_ordinal menu, window_class;
  if (!in.u32(&out->help_id) || !in.u32(&out->ex_style) || !in.u32(&out->style) || !in.u16(&count) ||
      !in.s16(&out->x) || !in.s16(&out->y) || !in.s16(&out->cx) || !in.s16(&out->cy) || !in.name(&menu) ||
      !in.name(&window_class) || !in.text(&out->title))
    return false;
  if ((out->style & kSetFont) && !read_font(&in, out)) return false;
  out->items.resize(count);
  for (dialog_item& item : out->items)
    if (!read_item(&in, &item)) return false;
  return true;
}

bool read_dialog_init(const uint8_t* data, size_t size, std::vector<dialog_init_entry>* out) {
  byte_reader in(data, size);
  for (;;) {
    dialog_init_entry entry;
    uint32_t length;
    if (!in.u16(&entry.control_id)) return false;
    if (entry.control_id == 0) return true;
    if (!in.u16(&entry.message) || !in.u32(&length) || !in.bytes(length, &entry.data)) return false;
    out->push_back(entry);
  }
}

}  // namespace rk_gui_test
