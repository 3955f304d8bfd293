// settings_storage: a small hierarchical key/value store kept on disk as one file. Other programs of
// the product read and write the same files, so the layout is fixed byte for byte.
//
// File layout, all integers little-endian:
//   offset 0  4 bytes  magic "abba" (61 62 62 61)
//   offset 4  4 bytes  version, 1
//   offset 8  dictionary: { id u16, name bytes, 00 } in ascending byte-wise name order, ended by FF FF 00
//   then      the root key: its tag and length, then its children
// Tag: one byte, bits 0-5 the type code, bits 6-7 the width of the length that follows (0 none,
// 1 one byte, 2 two bytes, 3 four bytes). Keys (code 0) and codes 7-9 carry a length (child count
// or byte size); the fixed-size codes 1-6 carry none when written.
// Child: name id u16, tag, length if any, then a key's children or a value's bytes.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/text.h"
#include "common/byte_io.h"

constexpr uint8_t kStorageMagic[4] = {0x61, 0x62, 0x62, 0x61};
constexpr uint32_t kStorageVersion = 1;
constexpr size_t kStorageHeaderSize = 8;
constexpr uint16_t kNoNameId = 0xFFFF;
constexpr size_t kDictionaryEndSize = 3;  // FF FF 00
constexpr size_t kMinChildSize = 3;       // id and tag
constexpr uint32_t kHandleMagic = 12345;
constexpr uint8_t kTagCodeMask = 0x3F;
constexpr unsigned kTagWidthShift = 6;
// Nesting allowed when reading a file; deeper trees are refused so a hostile file cannot exhaust
// the stack.
constexpr unsigned kMaxStorageDepth = 64;
constexpr size_t kNoPosition = static_cast<size_t>(-1);

enum storage_code : uint32_t {
  kCodeKey = 0,
  kCodeByte = 1,
  kCodeByte2 = 2,
  kCodeU16 = 3,
  kCodeU32 = 4,
  kCodeU64 = 5,
  kCodeU128 = 6,
  kCodeString = 7,
  kCodeWideString = 8,
  kCodeBlock = 9,
  kCodeLast = 9,
};

// Byte size of a fixed-size code (1-6), 0 for the others.
size_t storage_fixed_size(uint32_t code);

class storage_entry {
 public:
  virtual uint32_t type_code() const = 0;
  virtual ~storage_entry() = default;
};

class storage_key : public storage_entry {
 public:
  using child = std::pair<uint16_t, std::shared_ptr<storage_entry>>;
  uint32_t type_code() const override { return kCodeKey; }
  size_t child_count() const { return children.size(); }
  std::vector<child> children;  // insertion order; ids may repeat
};

class storage_value : public storage_entry {
 public:
  explicit storage_value(uint32_t code);
  uint32_t type_code() const override { return code_; }
  size_t size() const { return bytes_.size(); }
  const uint8_t* bytes() const { return bytes_.data(); }
  // Fixed-size codes need at least their size; strings and blocks take size bytes (a wide string
  // whole units only); size 0 empties them.
  bool set(const void* bytes, size_t size);

 private:
  uint32_t code_;
  std::vector<uint8_t> bytes_;
};

// Owner-counted lock: the owning thread may enter again; others poll every millisecond.
class recursive_spin_lock {
 public:
  recursive_spin_lock() = default;
  ~recursive_spin_lock();
  recursive_spin_lock(const recursive_spin_lock&) = delete;
  recursive_spin_lock& operator=(const recursive_spin_lock&) = delete;
  void acquire();
  void release();
  uint32_t owner() const { return owner_.load(); }
  uint32_t depth() const { return depth_.load(); }

 private:
  std::atomic<uint32_t> owner_{0};
  std::atomic<uint32_t> depth_{0};
};

// Nonzero id of the calling thread, as the lock records it.
uint32_t storage_thread_id();

class lock_hold {
 public:
  explicit lock_hold(recursive_spin_lock* lock) : lock_(lock) { lock_->acquire(); }
  ~lock_hold() { lock_->release(); }
  lock_hold(const lock_hold&) = delete;
  lock_hold& operator=(const lock_hold&) = delete;

 private:
  recursive_spin_lock* lock_;
};

struct storage_handle {
  explicit storage_handle(recursive_spin_lock* lock) : hold(lock) {}
  uint32_t magic = kHandleMagic;
  std::shared_ptr<storage_key> parent;
  std::shared_ptr<storage_entry> entry;
  size_t position = kNoPosition;
  uint16_t id = kNoNameId;
  lock_hold hold;  // a live handle keeps other threads out of the storage
};

class settings_storage {
 public:
  settings_storage();
  virtual ~settings_storage();
  settings_storage(const settings_storage&) = delete;
  settings_storage& operator=(const settings_storage&) = delete;

  virtual void clear();
  virtual storage_handle* create_key(const char* path, storage_handle* parent, bool always_new);
  virtual storage_handle* open_key(const char* path, storage_handle* parent);
  virtual storage_handle* next_entry_closing(storage_handle* handle, bool any);
  virtual storage_handle* next_entry(storage_handle* handle, bool any);
  virtual bool close_key(storage_handle* handle);
  virtual bool clear_key(storage_handle* handle);
  virtual bool set_value_at(storage_handle* handle, const void* bytes, size_t size, uint32_t type);
  virtual bool set_value(const char* path, storage_handle* parent, const void* bytes, size_t size,
                         uint32_t type, bool always_new);
  virtual bool get_value(const char* path, storage_handle* parent, void* buffer, size_t buffer_size,
                         size_t* out_size, uint32_t type, storage_handle** last_found);
  virtual bool load_from_memory(const uint8_t* bytes, size_t size);
  virtual bool is_modified() const { return modified_; }
  virtual void set_modified(bool modified) { modified_ = modified; }

  void set_file_name(const char* path) { file_name_.assign(path); }
  const char* file_name() const { return file_name_.c_str(); }
  bool pack(std::vector<uint8_t>* out);
  // File operations on the stored file name (Windows build only).
  bool load_file(bool must_exist);
  bool save_file(bool only_if_modified);

  // Id of a name in the dictionary, kNoNameId when absent.
  uint16_t name_id(const char* name);
  size_t root_child_count();
  recursive_spin_lock& lock() { return lock_; }

 private:
  struct found {
    std::shared_ptr<storage_key> parent;
    std::shared_ptr<storage_entry> entry;
    size_t position = kNoPosition;
    uint16_t id = kNoNameId;
  };
  bool start_key(storage_handle* parent, std::shared_ptr<storage_key>* key);
  bool intern(const std::string& name, uint16_t* id);
  bool resolve(const char* path, storage_handle* parent, bool create, uint32_t code, bool always_new,
               found* out);
  bool next_after(storage_handle* handle, bool any, found* out);
  storage_handle* make_handle(const found& f);
  bool parse_dictionary(byte_view* in);
  bool parse_children(byte_view* in, storage_key* key, uint64_t count, unsigned depth);

  std::shared_ptr<storage_key> root_;
  std::map<std::string, uint16_t> dictionary_;
  uint16_t counter_ = 0;
  recursive_spin_lock lock_;
  bool modified_ = false;
  text file_name_;
};

bool storage_handle_valid(const storage_handle* handle);
