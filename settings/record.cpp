// The bindings of settings_record, their packed and text forms, the storage section and the
// engine's settings blob (formats in record.h).
#include "settings/record.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "common/byte_io.h"
#include "settings/environment.h"
#include "settings/storage.h"

namespace {

constexpr size_t kMaxPackedText = 0xFFFF;

text* text_field(const setting_binding& b) { return static_cast<text*>(b.field); }

// The text that a binding packs: the raw text for a path, the member otherwise (null when unset).
const text* packed_text(const setting_binding& b) { return b.type == kBindPath ? b.raw : text_field(b); }

bool is_text(uint32_t type) { return type == kBindText || type == kBindPath; }

void put_double(std::vector<uint8_t>* out, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  put_u64(out, bits);
}

bool read_double(byte_view* in, double* v) {
  uint64_t bits;
  if (!read_u64(in, &bits)) return false;
  std::memcpy(v, &bits, sizeof bits);
  return true;
}

// Assigns a loaded text: a path goes to the raw text and is expanded into the member.
void store_text(const setting_binding& b, const char* s, size_t n) {
  if (b.type == kBindPath) {
    if (!b.raw) return;
    b.raw->assign(s, n);
    expand_environment(b.raw->c_str(), text_field(b));
  } else {
    text_field(b)->assign(s, n);
  }
}

// Reads one packed member; the view only moves when the whole value is there.
bool decode_member(const setting_binding& b, byte_view* in) {
  if (!b.field) return false;
  byte_view probe = *in;
  switch (b.type) {
    case kBindText:
    case kBindPath: {
      uint16_t len;
      const uint8_t* bytes;
      if (!read_u16(&probe, &len) || !read_bytes(&probe, len, &bytes)) return false;
      store_text(b, reinterpret_cast<const char*>(bytes), len);
      break;
    }
    case kBindBool: {
      uint8_t v;
      if (!read_u8(&probe, &v)) return false;
      *static_cast<bool*>(b.field) = v != 0;  // any other byte in a bool would be undefined
      break;
    }
    case kBindDouble:
      if (!read_double(&probe, static_cast<double*>(b.field))) return false;
      break;
    default: {
      uint32_t v;
      if (!read_u32(&probe, &v)) return false;
      std::memcpy(b.field, &v, sizeof v);  // u32 and i32 members alike
      break;
    }
  }
  *in = probe;
  return true;
}

std::string text_form(const setting_binding& b) {
  std::ostringstream out;
  switch (b.type) {
    case kBindText: out << text_field(b)->c_str(); break;
    case kBindPath: out << (b.raw ? b.raw : text_field(b))->c_str(); break;
    case kBindUnsigned: out << *static_cast<uint32_t*>(b.field); break;
    case kBindBool: out << (*static_cast<bool*>(b.field) ? 1 : 0); break;
    case kBindSigned: out << *static_cast<int32_t*>(b.field); break;
    case kBindDouble: out << *static_cast<double*>(b.field); break;
    default: break;
  }
  return out.str();
}

void set_from_text(const setting_binding& b, const std::string& value) {
  switch (b.type) {
    case kBindText:
    case kBindPath: store_text(b, value.data(), value.size()); break;
    case kBindUnsigned:
    case kBindSigned: {
      int32_t v = static_cast<int32_t>(std::strtol(value.c_str(), nullptr, 10));
      std::memcpy(b.field, &v, sizeof v);
      break;
    }
    case kBindBool: *static_cast<bool*>(b.field) = std::strtol(value.c_str(), nullptr, 10) != 0; break;
    case kBindDouble: *static_cast<double*>(b.field) = std::strtod(value.c_str(), nullptr); break;
    default: break;
  }
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// One line of the text file: key = value, or key = "value"; false for lines to ignore.
bool parse_text_line(const std::string& line, std::string* key, std::string* value) {
  size_t p = 0;
  while (p < line.size() && is_blank(line[p])) ++p;
  if (p == line.size() || line[p] == ';') return false;
  size_t eq = line.find('=', p);
  if (eq == std::string::npos) return false;
  size_t key_end = eq;
  while (key_end > p && is_blank(line[key_end - 1])) --key_end;
  if (key_end == p) return false;
  size_t v = eq + 1;
  while (v < line.size() && is_blank(line[v])) ++v;
  if (v == line.size()) return false;
  size_t end;
  if (line[v] == '"') {
    ++v;
    end = line.find('"', v);
  } else {
    end = line.find(';', v);
  }
  *value = line.substr(v, end == std::string::npos ? std::string::npos : end - v);
  *key = line.substr(p, key_end - p);
  for (char& c : *key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return true;
}

}  // namespace

size_t binding_packed_size(const setting_binding& b) {
  switch (b.type) {
    case kBindText:
    case kBindPath: {
      const text* t = packed_text(b);
      if (!b.field || !t) return 0;
      return kTextLengthSize + (t->size() > kMaxPackedText ? kMaxPackedText : t->size());
    }
    case kBindBool: return 1;
    case kBindDouble: return 8;
    default: return 4;
  }
}

size_t binding_blob_size(const setting_binding& b) {
  return binding_packed_size(b) + (b.name ? std::strlen(b.name) : 0) + kBlobNameOverhead;
}

std::vector<uint8_t> pack_binding(const setting_binding& b) {
  std::vector<uint8_t> out;
  put_u32(&out, b.type);
  if (!b.field) return out;
  switch (b.type) {
    case kBindText:
    case kBindPath: {
      const text* t = packed_text(b);
      if (!t) break;
      // Longer texts are cut at the 16-bit limit rather than wrapped round.
      uint16_t len = static_cast<uint16_t>(t->size() > kMaxPackedText ? kMaxPackedText : t->size());
      put_u16(&out, len);
      put_bytes(&out, t->c_str(), len);
      break;
    }
    case kBindBool: put_u8(&out, *static_cast<bool*>(b.field) ? 1 : 0); break;
    case kBindDouble: put_double(&out, *static_cast<double*>(b.field)); break;
    default: {
      uint32_t v;
      std::memcpy(&v, b.field, sizeof v);
      put_u32(&out, v);
      break;
    }
  }
  return out;
}

bool unpack_binding(const setting_binding& b, const uint8_t* bytes, size_t size) {
  byte_view in{bytes, size};
  // The stored type code is not compared: the binding's own type decides the decoding.
  return skip_bytes(&in, kBindingTypeSize) && decode_member(b, &in);
}

settings_record::settings_record() : bindings_(new binding_list) { settings_record::bind(kBindRegister); }

settings_record::~settings_record() = default;

void settings_record::base_bind(uint32_t mode) {
  if (mode == kBindRegister)
    bind_setting(kCategoryStorage, kBindPath, &working_directory, kWorkingDirectoryKey,
                 &raw_working_directory);
  else if (mode == kBindReset)
    working_directory.assign("c:\\");
}

void settings_record::bind(uint32_t mode) {
  if (!bindings_) return;
  base_bind(mode);
  if (mode != kBindRegister) apply_bindings();
}

void settings_record::bind_setting(uint32_t category, uint32_t type, void* field, const char* name,
                                   text* raw) {
  if (!bindings_) return;
  setting_binding b;
  b.field = field;
  b.raw = raw;
  b.name = name;
  b.type = type;
  b.category = category;
  bindings_->items.push_back(b);
}

void settings_record::apply_bindings() {
  if (!bindings_) return;
  for (const setting_binding& b : bindings_->items)
    if (b.type == kBindPath && b.raw && b.field) expand_environment(b.raw->c_str(), text_field(b));
}

bool settings_record::write_section(settings_storage& storage) {
  if (!bindings_) return false;
  storage_handle* key = storage.open_key(kSettingsSection, nullptr);
  if (!key) key = storage.create_key(kSettingsSection, nullptr, false);
  if (!key) return false;
  for (const setting_binding& b : bindings_->items) {
    if (b.category != kCategoryStorage || !b.name) continue;
    std::vector<uint8_t> value = pack_binding(b);
    storage.set_value(b.name, key, value.data(), value.size(), kCodeBlock, false);
  }
  storage.close_key(key);
  return true;
}

bool settings_record::read_section(settings_storage& storage) {
  if (!bindings_) return false;
  storage_handle* key = storage.open_key(kSettingsSection, nullptr);
  if (!key) return false;
  std::vector<uint8_t> value;
  for (const setting_binding& b : bindings_->items) {
    if (b.category != kCategoryStorage || !b.name) continue;
    size_t size = 0;
    if (!storage.get_value(b.name, key, nullptr, 0, &size, kCodeBlock, nullptr) || size == 0) continue;
    value.resize(size);
    if (!storage.get_value(b.name, key, value.data(), value.size(), &size, kCodeBlock, nullptr)) continue;
    unpack_binding(b, value.data(), size);
  }
  storage.close_key(key);
  return true;
}

bool settings_record::write_text_file(const char* path) {
  if (!bindings_ || !path) return false;
  std::ofstream out(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!out) return false;
  for (const setting_binding& b : bindings_->items) {
    if (b.category != kCategoryText) continue;
    if (b.name) out << b.name << "=\"";
    if (b.field) out << text_form(b);
    out << "\"\n";
  }
  return static_cast<bool>(out);
}

bool settings_record::read_text_file(const char* path) {
  if (!bindings_ || !path) return false;
  std::ifstream in(path);
  if (!in) return false;
  std::string line, key, value;
  while (std::getline(in, line)) {
    if (!parse_text_line(line, &key, &value)) continue;
    for (const setting_binding& b : bindings_->items) {
      if (b.category != kCategoryText || !b.name || !b.field || key != b.name) continue;
      set_from_text(b, value);
      break;
    }
  }
  return in.eof();
}

std::vector<uint8_t> settings_blob(const setting_binding* bindings, size_t count) {
  std::vector<uint8_t> blob;
  put_u32(&blob, static_cast<uint32_t>(count));
  for (size_t i = 0; i < count; ++i) {
    const char* name = bindings[i].name ? bindings[i].name : "";
    put_bytes(&blob, name, std::strlen(name) + 1);
    std::vector<uint8_t> value = pack_binding(bindings[i]);
    put_bytes(&blob, value.data(), value.size());
  }
  return blob;
}

void settings_record::apply_engine_settings(const void* blob, size_t size) {
  if (!blob || !bindings_) return;
  byte_view in{static_cast<const uint8_t*>(blob), size};
  uint32_t count;
  if (!read_u32(&in, &count)) return;
  // The engine's blob is bounded twice: by its real size, and by a budget of what the bindings
  // could hold, which caps the texts it may hand us.
  int64_t budget = 0;
  for (const setting_binding& b : bindings_->items)
    if (b.category == kCategoryStorage || b.category == kCategoryText)
      budget += static_cast<int64_t>(binding_blob_size(b));
  for (uint32_t i = 0; i < count; ++i) {
    const char* name;
    size_t name_len;
    uint32_t code;
    if (!read_cstring(&in, &name, &name_len) || !read_u32(&in, &code)) return;
    budget -= static_cast<int64_t>(name_len + kBlobNameOverhead);
    const setting_binding* target = nullptr;
    for (const setting_binding& b : bindings_->items)
      if (b.name && std::strcmp(b.name, name) == 0) {
        target = &b;
        break;
      }
    if (!target) {
      size_t skip = 0;
      if (code == kBindText || code == kBindPath) {
        uint16_t len;
        if (!read_u16(&in, &len)) return;
        skip = len;
        budget -= kTextLengthSize;
      } else if (code == kBindUnsigned || code == kBindSigned) {
        skip = 4;
      } else if (code == kBindBool) {
        skip = 1;
      } else if (code == kBindDouble) {
        skip = 8;
      }
      if (!skip_bytes(&in, skip)) return;
      budget -= static_cast<int64_t>(skip);
      continue;
    }
    if (is_text(target->type)) {
      text* dest = target->type == kBindPath ? target->raw : text_field(*target);
      if (dest) dest->clear();
      uint16_t len;
      byte_view probe = in;
      if (budget < static_cast<int64_t>(kTextLengthSize) || !read_u16(&probe, &len) || len > budget) return;
    }
    if (!decode_member(*target, &in)) return;
    budget -= static_cast<int64_t>(binding_packed_size(*target));
  }
}
