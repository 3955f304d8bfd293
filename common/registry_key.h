// Registry access of every module: the owner of an open key, a string value read whole, and the
// installation folders that the product's installer records under kPathsKey.
#pragma once
#include <windows.h>

#include "common/text.h"

// Owner of one open registry key; destroying it closes the key.
class registry_key {
 public:
  registry_key() = default;
  registry_key(const char* subkey, HKEY root) { open(subkey, root); }
  ~registry_key() { close(); }
  registry_key(const registry_key&) = delete;
  registry_key& operator=(const registry_key&) = delete;

  bool open(const char* subkey, HKEY root);
  // Creates the key; an existing key is opened again for reading only.
  bool create(const char* subkey, HKEY root);
  bool reopen_writable();
  // REG_SZ; a refused write is retried once with the key reopened for full access.
  bool set_string(const char* name, const char* value);
  // A value of any type as text, cut at its first NUL; type, when given, receives the stored type.
  bool query_string(const char* name, text* out, DWORD* type = nullptr);
  bool query_raw(const char* name, void* buffer, DWORD* size);
  void close();
  HKEY handle() const { return handle_; }

 private:
  HKEY handle_ = nullptr;
  HKEY root_ = nullptr;
  text subkey_;
};

// A REG_SZ or REG_EXPAND_SZ value (expanded) of at most kMaxPath characters; false, out unchanged, when
// the key or the value is missing, longer or of another type.
bool query_string_value(HKEY root, const char* subkey, const char* name, text* out);
// One installation folder (kRootValue, kHelpValue, kLogValue) from the machine-wide kPathsKey, ending
// in a backslash; out is left unchanged when the key or the value is missing.
const char* get_product_path(const char* value_name, text& out);
