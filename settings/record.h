// settings_record: a record whose members are bound by name and type to persistent settings. The
// binding list lets generic code reset members, re-derive environment-expanded paths, write them to
// the storage file or a text file, read them back, and take values from the engine's settings blob.
//
// Packed form of a member (storage values and blob records; integers little-endian):
//   text (types 0, 1): u16 length, then the bytes, no terminator (type 1 packs the raw text)
//   u32 / i32 (2, 4): 4 bytes   bool (3): 1 byte   double (5): 8 bytes, IEEE 754 binary64
// A storage value is the u32 binding type followed by the packed member.
// A settings blob is: u32 record count, then per record: name, 00, u32 type code, packed value.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/text.h"

class settings_storage;

enum binding_type : uint32_t {
  kBindText = 0,
  kBindPath = 1,  // text member derived from a raw text by expanding environment variables
  kBindUnsigned = 2,
  kBindBool = 3,
  kBindSigned = 4,
  kBindDouble = 5,
};

enum bind_mode : uint32_t {
  kBindReset = 0,     // members to their defaults, then apply
  kBindApply = 1,     // re-derive the path members only
  kBindRegister = 2,  // append the bindings
};

constexpr uint32_t kCategoryStorage = 0;
constexpr uint32_t kCategoryText = 1;
// Flags of save_record/load_record, and the failure bits of their result.
constexpr uint32_t kRecordStorage = 1;
constexpr uint32_t kRecordText = 2;
constexpr uint32_t kRecordNoBindings = 3;
constexpr size_t kBindingTypeSize = 4;
constexpr size_t kTextLengthSize = 2;
constexpr size_t kBlobNameOverhead = 5;  // name terminator and type code
constexpr char kSettingsSection[] = "antispam basic settings";
constexpr char kWorkingDirectoryKey[] = "working directory";
// The name under which the plug-in asks the engine for its settings blob, and the one value it holds.
constexpr char kEngineSettingsName[] = "MaxSinglePathLevel";

struct setting_binding {
  void* field = nullptr;
  text* raw = nullptr;         // type 1 only
  const char* name = nullptr;  // not copied: names are literals
  uint32_t type = kBindText;
  uint32_t category = kCategoryStorage;
};

struct binding_list {
  std::vector<setting_binding> items;  // appended, never removed
};

class settings_record {
 public:
  settings_record();
  virtual ~settings_record();
  settings_record(const settings_record&) = delete;
  settings_record& operator=(const settings_record&) = delete;

  virtual void bind(uint32_t mode);

  void bind_setting(uint32_t category, uint32_t type, void* field, const char* name, text* raw);
  void apply_bindings();
  const binding_list* bindings() const { return bindings_.get(); }

  // Windows build: the per-user folder, and the storage and text files.
  void init_working_directory();
  uint32_t save_record(const char* storage_path, const char* text_path, uint32_t flags);
  uint32_t load_record(const char* storage_path, const char* text_path, uint32_t flags);

  // Takes values from the engine's settings blob; stops at the first record that does not fit.
  void apply_engine_settings(const void* blob, size_t size);

  // The "antispam basic settings" key of a storage, and the text file of category-1 bindings.
  bool write_section(settings_storage& storage);
  bool read_section(settings_storage& storage);
  bool write_text_file(const char* path);
  bool read_text_file(const char* path);

  text working_directory;      // expanded; ends in a backslash after a load unless empty
  text raw_working_directory;  // as configured, may hold %appdata% and the like

 protected:
  void base_bind(uint32_t mode);

 private:
  std::unique_ptr<binding_list> bindings_;
};

// Packed size of a binding's member, and the whole of its record in a settings blob.
size_t binding_packed_size(const setting_binding& b);
size_t binding_blob_size(const setting_binding& b);
// The u32 type code and packed member, as a storage value holds it.
std::vector<uint8_t> pack_binding(const setting_binding& b);
// Decodes a storage value's bytes into the member; a value too short leaves the member unchanged.
bool unpack_binding(const setting_binding& b, const uint8_t* bytes, size_t size);
// A settings blob of the members of the bindings, as apply_engine_settings reads it.
std::vector<uint8_t> settings_blob(const setting_binding* bindings, size_t count);
