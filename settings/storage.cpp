// The in-memory tree of settings_storage, its paths, its lock, and the packed form (see storage.h).
#include "settings/storage.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr uint8_t kWidth1 = 1, kWidth2 = 2, kWidth4 = 3;  // 0: no length

bool carries_length(uint32_t code) { return code == kCodeKey || code >= kCodeString; }

uint8_t length_width(uint64_t length) {
  if (length < 0x100) return kWidth1;
  if (length < 0x10000) return kWidth2;
  return kWidth4;
}

size_t width_bytes(uint8_t width) {
  static const size_t bytes[4] = {0, 1, 2, 4};
  return bytes[width & 3];
}

std::shared_ptr<storage_entry> make_entry(uint32_t code) {
  if (code == kCodeKey) return std::make_shared<storage_key>();
  if (code > kCodeLast) return nullptr;
  return std::make_shared<storage_value>(code);
}

const char* component_end(const char* p) {
  while (*p && *p != '\\' && *p != '/') ++p;
  return p;
}

// Size of an entry's tag, length and contents (without its name id).
bool packed_size(const storage_entry& e, uint64_t* size) {
  uint32_t code = e.type_code();
  if (code == kCodeKey) {
    const auto& key = static_cast<const storage_key&>(e);
    *size += 1 + width_bytes(length_width(key.child_count()));
    for (const auto& c : key.children) {
      *size += 2;
      if (!packed_size(*c.second, size)) return false;
    }
    return true;
  }
  const auto& v = static_cast<const storage_value&>(e);
  if (v.size() > UINT32_MAX) return false;
  *size += 1 + (carries_length(code) ? width_bytes(length_width(v.size())) : 0) + v.size();
  return true;
}

void put_tag(std::vector<uint8_t>* out, uint32_t code, uint64_t length) {
  if (!carries_length(code)) {
    put_u8(out, static_cast<uint8_t>(code));
    return;
  }
  uint8_t width = length_width(length);
  put_u8(out, static_cast<uint8_t>(code | (width << kTagWidthShift)));
  if (width == kWidth1)
    put_u8(out, static_cast<uint8_t>(length));
  else if (width == kWidth2)
    put_u16(out, static_cast<uint16_t>(length));
  else
    put_u32(out, static_cast<uint32_t>(length));
}

void put_entry(std::vector<uint8_t>* out, const storage_entry& e) {
  uint32_t code = e.type_code();
  if (code == kCodeKey) {
    const auto& key = static_cast<const storage_key&>(e);
    put_tag(out, code, key.child_count());
    for (const auto& c : key.children) {
      put_u16(out, c.first);
      put_entry(out, *c.second);
    }
    return;
  }
  const auto& v = static_cast<const storage_value&>(e);
  put_tag(out, code, v.size());
  put_bytes(out, v.bytes(), v.size());
}

bool read_tag(byte_view* in, uint32_t* code, uint64_t* length) {
  byte_view probe = *in;
  uint8_t tag;
  if (!read_u8(&probe, &tag)) return false;
  *code = tag & kTagCodeMask;
  *length = 0;
  uint8_t width = static_cast<uint8_t>(tag >> kTagWidthShift);
  if (width == kWidth1) {
    uint8_t v;
    if (!read_u8(&probe, &v)) return false;
    *length = v;
  } else if (width == kWidth2) {
    uint16_t v;
    if (!read_u16(&probe, &v)) return false;
    *length = v;
  } else if (width == kWidth4) {
    uint32_t v;
    if (!read_u32(&probe, &v)) return false;
    *length = v;
  }
  *in = probe;
  return true;
}

}  // namespace

size_t storage_fixed_size(uint32_t code) {
  static const size_t sizes[] = {0, 1, 1, 2, 4, 8, 16};
  return code >= kCodeByte && code <= kCodeU128 ? sizes[code] : 0;
}

storage_value::storage_value(uint32_t code) : code_(code), bytes_(storage_fixed_size(code), 0) {}

bool storage_value::set(const void* bytes, size_t size) {
  size_t fixed = storage_fixed_size(code_);
  if (fixed) {
    // A short source would be read past its end; refuse it instead.
    if (size < fixed || !bytes) return false;
    std::memcpy(bytes_.data(), bytes, fixed);
    return true;
  }
  if (code_ == kCodeWideString) size &= ~static_cast<size_t>(1);
  if (size && !bytes) return false;
  const uint8_t* b = static_cast<const uint8_t*>(bytes);
  bytes_.assign(b, b + size);
  return true;
}

uint32_t storage_thread_id() {
  static std::atomic<uint32_t> next{1};
  thread_local uint32_t id = next.fetch_add(1);
  return id;
}

recursive_spin_lock::~recursive_spin_lock() {
  owner_.store(UINT32_MAX);
  depth_.store(UINT32_MAX);
}

void recursive_spin_lock::acquire() {
  const uint32_t self = storage_thread_id();
  for (;;) {
    uint32_t expected = 0;
    if (owner_.compare_exchange_strong(expected, self) || expected == self) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  depth_.fetch_add(1);
}

void recursive_spin_lock::release() {
  if (depth_.fetch_sub(1) == 1) owner_.store(0);
}

bool storage_handle_valid(const storage_handle* handle) { return handle && handle->magic == kHandleMagic; }

settings_storage::settings_storage() : root_(std::make_shared<storage_key>()) {}

settings_storage::~settings_storage() = default;

void settings_storage::clear() {
  lock_hold hold(&lock_);
  dictionary_.clear();
  counter_ = 0;
  root_->children.clear();
  modified_ = false;
}

uint16_t settings_storage::name_id(const char* name) {
  lock_hold hold(&lock_);
  auto it = dictionary_.find(name ? name : "");
  return it == dictionary_.end() ? kNoNameId : it->second;
}

size_t settings_storage::root_child_count() {
  lock_hold hold(&lock_);
  return root_->child_count();
}

bool settings_storage::intern(const std::string& name, uint16_t* id) {
  auto it = dictionary_.find(name);
  if (it != dictionary_.end()) {
    *id = it->second;
    return true;
  }
  uint16_t next = static_cast<uint16_t>(counter_ + 1);
  // Id 0xFFFF ends the dictionary in the file and 0 follows a wrap: both would corrupt it.
  if (next == kNoNameId || next == 0) return false;
  dictionary_.emplace(name, next);
  counter_ = next;
  *id = next;
  return true;
}

bool settings_storage::start_key(storage_handle* parent, std::shared_ptr<storage_key>* key) {
  if (!parent) {
    *key = root_;
    return true;
  }
  if (!storage_handle_valid(parent) || !parent->entry || parent->entry->type_code() != kCodeKey) return false;
  *key = std::static_pointer_cast<storage_key>(parent->entry);
  return true;
}

bool settings_storage::resolve(const char* path, storage_handle* parent, bool create, uint32_t code,
                               bool always_new, found* out) {
  std::shared_ptr<storage_key> key;
  if (!path || !start_key(parent, &key)) return false;
  for (const char* p = path;;) {
    const char* end = component_end(p);
    const bool last = *end == '\0';
    std::string name(p, end);
    uint16_t id = kNoNameId;
    if (last && create) {
      if (!intern(name, &id)) return false;
    } else {
      auto it = dictionary_.find(name);
      if (it == dictionary_.end()) return false;
      id = it->second;
    }
    size_t pos = kNoPosition;
    if (!(last && always_new)) {
      for (size_t i = 0; i < key->children.size(); ++i)
        if (key->children[i].first == id) {
          pos = i;
          break;
        }
    }
    if (!last) {
      if (pos == kNoPosition || key->children[pos].second->type_code() != kCodeKey) return false;
      key = std::static_pointer_cast<storage_key>(key->children[pos].second);
      p = end + 1;
      continue;
    }
    if (pos == kNoPosition) {
      if (!create) return false;
      std::shared_ptr<storage_entry> entry = make_entry(code);
      if (!entry) return false;
      key->children.emplace_back(id, entry);
      pos = key->children.size() - 1;
    }
    *out = found{key, key->children[pos].second, pos, id};
    return true;
  }
}

storage_handle* settings_storage::make_handle(const found& f) {
  auto* h = new storage_handle(&lock_);
  h->parent = f.parent;
  h->entry = f.entry;
  h->position = f.position;
  h->id = f.id;
  return h;
}

storage_handle* settings_storage::create_key(const char* path, storage_handle* parent, bool always_new) {
  lock_hold hold(&lock_);
  found f;
  if (!resolve(path, parent, true, kCodeKey, always_new, &f)) return nullptr;
  modified_ = true;
  return make_handle(f);
}

storage_handle* settings_storage::open_key(const char* path, storage_handle* parent) {
  lock_hold hold(&lock_);
  found f;
  if (!path) {
    std::shared_ptr<storage_key> key;
    if (!start_key(parent, &key) || key->children.empty()) return nullptr;
    f = found{key, key->children[0].second, 0, key->children[0].first};
    return make_handle(f);
  }
  if (!resolve(path, parent, false, kCodeKey, false, &f)) return nullptr;
  return make_handle(f);
}

// The handle's entry is looked for again when its recorded position no longer holds it (the key
// was cleared or changed); an entry no longer in its key has no next.
bool settings_storage::next_after(storage_handle* handle, bool any, found* out) {
  if (!storage_handle_valid(handle) || !handle->parent) return false;
  auto& children = handle->parent->children;
  size_t pos = handle->position;
  if (pos >= children.size() || children[pos].second != handle->entry) {
    pos = kNoPosition;
    for (size_t i = 0; i < children.size(); ++i)
      if (children[i].second == handle->entry) {
        pos = i;
        break;
      }
    if (pos == kNoPosition) return false;
  }
  for (size_t i = pos + 1; i < children.size(); ++i) {
    if (any || children[i].first == handle->id) {
      *out = found{handle->parent, children[i].second, i, children[i].first};
      return true;
    }
  }
  return false;
}

storage_handle* settings_storage::next_entry(storage_handle* handle, bool any) {
  lock_hold hold(&lock_);
  found f;
  if (!next_after(handle, any, &f)) return nullptr;
  return make_handle(f);
}

storage_handle* settings_storage::next_entry_closing(storage_handle* handle, bool any) {
  lock_hold hold(&lock_);
  storage_handle* next = next_entry(handle, any);
  close_key(handle);
  return next;
}

bool settings_storage::close_key(storage_handle* handle) {
  if (!storage_handle_valid(handle)) return false;
  handle->magic = 0;
  delete handle;
  return true;
}

bool settings_storage::clear_key(storage_handle* handle) {
  lock_hold hold(&lock_);
  if (!storage_handle_valid(handle) || !handle->entry || handle->entry->type_code() != kCodeKey) return false;
  static_cast<storage_key&>(*handle->entry).children.clear();
  return true;
}

bool settings_storage::set_value_at(storage_handle* handle, const void* bytes, size_t size, uint32_t type) {
  lock_hold hold(&lock_);
  if (!storage_handle_valid(handle) || !handle->entry || handle->entry->type_code() != type ||
      type == kCodeKey)
    return false;
  if (!static_cast<storage_value&>(*handle->entry).set(bytes, size)) return false;
  modified_ = true;
  return true;
}

bool settings_storage::set_value(const char* path, storage_handle* parent, const void* bytes, size_t size,
                                 uint32_t type, bool always_new) {
  lock_hold hold(&lock_);
  if (type == kCodeKey || type > kCodeLast) return false;
  found f;
  if (!resolve(path, parent, true, type, always_new, &f)) return false;
  if (f.entry->type_code() != type) return false;
  if (!static_cast<storage_value&>(*f.entry).set(bytes, size)) return false;
  modified_ = true;
  return true;
}

bool settings_storage::get_value(const char* path, storage_handle* parent, void* buffer, size_t buffer_size,
                                 size_t* out_size, uint32_t type, storage_handle** last_found) {
  lock_hold hold(&lock_);
  found f;
  bool ok = (last_found && *last_found) ? next_after(*last_found, false, &f)
                                        : resolve(path, parent, false, kCodeKey, false, &f);
  const uint32_t code = ok ? f.entry->type_code() : kCodeKey;
  // A byte block reads any value; other types must match exactly. Keys are never values.
  if (ok && (code == kCodeKey || (type != kCodeBlock && code != type))) ok = false;
  if (last_found) {
    if (*last_found) close_key(*last_found);
    *last_found = ok ? make_handle(f) : nullptr;
  }
  if (!ok) return false;
  const auto& v = static_cast<const storage_value&>(*f.entry);
  if (out_size) *out_size = v.size();
  if (!buffer) return true;
  if (v.size() > buffer_size) return false;
  if (v.size()) std::memcpy(buffer, v.bytes(), v.size());
  return true;
}

bool settings_storage::pack(std::vector<uint8_t>* out) {
  lock_hold hold(&lock_);
  if (!out) return false;
  uint64_t size = kStorageHeaderSize + kDictionaryEndSize;
  for (const auto& d : dictionary_) size += d.first.size() + 3;
  if (!packed_size(*root_, &size) || size > UINT32_MAX) return false;
  out->clear();
  out->reserve(static_cast<size_t>(size));
  put_bytes(out, kStorageMagic, sizeof kStorageMagic);
  put_u32(out, kStorageVersion);
  for (const auto& d : dictionary_) {
    put_u16(out, d.second);
    put_bytes(out, d.first.data(), d.first.size());
    put_u8(out, 0);
  }
  put_u16(out, kNoNameId);
  put_u8(out, 0);
  put_entry(out, *root_);
  return true;
}

bool settings_storage::parse_dictionary(byte_view* in) {
  for (;;) {
    if (in->size < kDictionaryEndSize) return false;
    uint16_t id;
    read_u16(in, &id);
    if (id == kNoNameId) return skip_bytes(in, 1);
    const char* name;
    size_t len;
    if (!read_cstring(in, &name, &len)) return false;
    dictionary_[std::string(name, len)] = id;  // a repeated name keeps the later id
    int16_t next = static_cast<int16_t>(id + 1);
    if (next > static_cast<int16_t>(counter_)) counter_ = static_cast<uint16_t>(next);
  }
}

bool settings_storage::parse_children(byte_view* in, storage_key* key, uint64_t count, unsigned depth) {
  if (depth > kMaxStorageDepth) return false;
  for (uint64_t i = 0; i < count; ++i) {
    if (in->size < kMinChildSize) return false;
    uint16_t id;
    uint32_t code;
    uint64_t length;
    read_u16(in, &id);
    if (!read_tag(in, &code, &length)) return false;
    if (code > kCodeLast) continue;  // unknown codes carry no payload of their own
    std::shared_ptr<storage_entry> entry = make_entry(code);
    if (code == kCodeKey) {
      if (!parse_children(in, static_cast<storage_key*>(entry.get()), length, depth + 1)) return false;
    } else {
      size_t fixed = storage_fixed_size(code);
      uint64_t n = fixed ? fixed : length;
      const uint8_t* bytes;
      if (n > in->size || !read_bytes(in, static_cast<size_t>(n), &bytes)) return false;
      static_cast<storage_value*>(entry.get())->set(bytes, static_cast<size_t>(n));
    }
    key->children.emplace_back(id, std::move(entry));
  }
  return true;
}

bool settings_storage::load_from_memory(const uint8_t* bytes, size_t size) {
  lock_hold hold(&lock_);
  clear();
  byte_view in{bytes, bytes ? size : 0};
  const uint8_t* magic;
  uint32_t version;
  if (!read_bytes(&in, sizeof kStorageMagic, &magic) || std::memcmp(magic, kStorageMagic, 4) != 0 ||
      !read_u32(&in, &version) || version != kStorageVersion)
    return false;
  bool ok = parse_dictionary(&in);
  if (ok) {
    uint32_t code;
    uint64_t count;
    ok = read_tag(&in, &code, &count) && code == kCodeKey && parse_children(&in, root_.get(), count, 1) &&
         in.size == 0;
  }
  if (!ok) clear();
  return ok;
}
