// The registry key owner and the installation folders that the installer records.
#include "common/registry_key.h"

#include <cstring>
#include <vector>

#include "common/paths.h"
#include "common/product_keys.h"

bool registry_key::open(const char* subkey, HKEY root) {
  close();
  if (!subkey) return true;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  handle_ = key;
  root_ = root;
  subkey_.assign(subkey);
  return true;
}

bool registry_key::create(const char* subkey, HKEY root) {
  close();
  if (!subkey) return true;
  HKEY key = nullptr;
  DWORD disposition = 0;
  LONG rc = RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition);
  if (rc == ERROR_SUCCESS && disposition == REG_OPENED_EXISTING_KEY) {
    RegCloseKey(key);
    return open(subkey, root);
  }
  if (rc != ERROR_SUCCESS) return false;
  handle_ = key;
  root_ = root;
  subkey_.assign(subkey);
  return true;
}

bool registry_key::reopen_writable() {
  if (!handle_ || subkey_.empty() || !root_) return false;
  RegCloseKey(handle_);
  handle_ = nullptr;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root_, subkey_.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  handle_ = key;
  return true;
}

bool registry_key::set_string(const char* name, const char* value) {
  if (!handle_ || !value) return false;
  const DWORD size = static_cast<DWORD>(std::strlen(value) + 1);
  const BYTE* data = reinterpret_cast<const BYTE*>(value);
  LONG rc = RegSetValueExA(handle_, name, 0, REG_SZ, data, size);
  if (rc == ERROR_ACCESS_DENIED && reopen_writable())
    rc = RegSetValueExA(handle_, name, 0, REG_SZ, data, size);
  return rc == ERROR_SUCCESS;
}

bool registry_key::query_string(const char* name, text* out, DWORD* type) {
  if (!handle_ || !out) return false;
  DWORD size = 0;
  DWORD stored_type = REG_NONE;
  if (RegQueryValueExA(handle_, name, nullptr, &stored_type, nullptr, &size) != ERROR_SUCCESS) return false;
  std::vector<char> buf(static_cast<size_t>(size) + 1, '\0');
  if (RegQueryValueExA(handle_, name, nullptr, &stored_type, reinterpret_cast<BYTE*>(buf.data()), &size) !=
      ERROR_SUCCESS)
    return false;
  if (type) *type = stored_type;
  // The value counts its terminator; a value stored without one keeps all its bytes.
  size_t len = strnlen(buf.data(), size);
  out->assign(buf.data(), len);
  return true;
}

bool registry_key::query_raw(const char* name, void* buffer, DWORD* size) {
  if (!handle_) return false;
  return RegQueryValueExA(handle_, name, nullptr, nullptr, static_cast<BYTE*>(buffer), size) == ERROR_SUCCESS;
}

void registry_key::close() {
  if (handle_) RegCloseKey(handle_);
  handle_ = nullptr;
}

bool query_string_value(HKEY root, const char* subkey, const char* name, text* out) {
  registry_key key(subkey, root);
  DWORD type = REG_NONE;
  text value;
  if (!key.handle() || !key.query_string(name, &value, &type)) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  if (value.size() > kMaxPath) return false;  // a longer folder would be cut into another one
  if (type == REG_EXPAND_SZ) {
    char expanded[kMaxPath + 1] = {};
    DWORD n = ExpandEnvironmentStringsA(value.c_str(), expanded, sizeof(expanded));
    if (n == 0 || n > sizeof(expanded)) return false;
    value.assign(expanded);
  }
  *out = value;
  return true;
}

const char* get_product_path(const char* value_name, text& out) {
  text folder;
  if (!query_string_value(HKEY_LOCAL_MACHINE, kPathsKey, value_name, &folder)) return out.c_str();
  path_add_backslash(folder);
  out = folder;
  return out.c_str();
}
