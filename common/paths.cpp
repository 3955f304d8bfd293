#include "common/paths.h"

#include <cstring>

void path_remove_file_name(text& path) {
  const char* s = path.c_str();
  const char* slash = std::strrchr(s, '\\');
  path.truncate(slash ? static_cast<size_t>(slash - s) + 1 : 0);
}

void path_add_backslash(text& path) {
  if (!path.empty() && path.back() != '\\') path.push_back('\\');
}

void path_append(text& path, const char* component) {
  if (!component) return;
  if (*component == '\\') ++component;
  path_add_backslash(path);
  path.append(component);
}

void path_append_extension(text& path, const char* extension) {
  if (!extension) return;
  if (*extension == '.') ++extension;
  path.push_back('.');
  path.append(extension);
}

void path_remove_extension(text& path) {
  const char* s = path.c_str();
  const char* slash = std::strrchr(s, '\\');
  const char* dot = std::strrchr(slash ? slash : s, '.');
  if (dot) path.truncate(static_cast<size_t>(dot - s));
}

const char* path_file_name(const char* path) {
  if (!path) return "";
  const char* slash = std::strrchr(path, '\\');
  return slash ? slash + 1 : path;
}

#ifdef _WIN32
text module_file_name(HMODULE module) {
  char buf[kMaxPath + 1] = {};
  DWORD n = GetModuleFileNameA(module, buf, static_cast<DWORD>(kMaxPath));
  if (n == 0 || n >= kMaxPath) return text();  // unreadable or cut short: no usable name
  return text(buf, n);
}

text module_folder(HMODULE module) {
  text path = module_file_name(module);
  path_remove_file_name(path);
  return path;
}

HMODULE this_module() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&this_module), &module);
  return module;
}
#endif
