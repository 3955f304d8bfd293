#include "plugin/product.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "common/paths.h"
#include "log/log.h"

namespace {
char g_name[kProductTextSize] = "";
char g_version[kProductTextSize] = "";

// Copies a version-resource value into a 32-byte buffer, cut to 31 characters; a missing value
// leaves the buffer as it was.
void query_version_string(const std::vector<char>& block, const char* key, char* out) {
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), key, &value, &length) || !value) return;
  std::strncpy(out, static_cast<const char*>(value), kProductTextSize - 1);
  out[kProductTextSize - 1] = '\0';
}
}  // namespace

const char* product_name() { return g_name; }
const char* product_version() { return g_version; }

void read_product_version() {
  text path = module_file_name(this_module());
  DWORD ignored = 0;
  DWORD size = path.empty() ? 0 : GetFileVersionInfoSizeA(path.c_str(), &ignored);
  std::vector<char> block(size);
  if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data())) {
    std::strcpy(g_version, "0.8.6");
    std::strcpy(g_name, "Antispam");
    RLOG("[makeversion]: error. Using default: %s %s", g_name, g_version);
    return;
  }
  query_version_string(block, "\\StringFileInfo\\000004B0\\ProductVersion", g_version);
  query_version_string(block, "\\StringFileInfo\\000004B0\\ProductName", g_name);
  RLOG("[makeversion]: %s %s", g_name, g_version);
}
