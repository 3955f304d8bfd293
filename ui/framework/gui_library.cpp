#include "ui/framework/gui_library.h"

#include <cstring>

#include "common/guard.h"
#include "common/paths.h"
#include "common/product_keys.h"
#include "common/registry_key.h"
#include "log/log.h"
#include "ui/framework/gui_interface.h"
#include "ui/framework/gui_module.h"

namespace {

HMODULE g_library = nullptr;

constexpr const char* kLibraryName = kGuiLibraryName;
constexpr const DWORD* kRequired = kGuiInterfaceNumbers;
constexpr size_t kPathBuffer = kMaxPath + 1;

typedef BOOL(WINAPI* version_entry)(DWORD, DWORD, DWORD, DWORD);

void free_library() {
  if (g_library) FreeLibrary(g_library);
  g_library = nullptr;
}

// The full path of the library as the installer recorded it; empty when missing.
void registry_path(char* buffer) {
  text path;
  if (!query_string_value(HKEY_LOCAL_MACHINE, kPathsKey, kLibraryName, &path)) return;
  std::memcpy(buffer, path.c_str(), path.size() + 1);  // at most kMaxPath + 1 bytes: fits kPathBuffer
}

bool try_load(const char* path) {
  free_library();
  if (!*path) return false;
  g_library = LoadLibraryA(path);
  return check_gui_library_version();
}

}  // namespace

HMODULE gui_library_handle() { return g_library; }

bool check_gui_library_version() {
  if (!g_library) return false;
  auto entry = reinterpret_cast<version_entry>(
      reinterpret_cast<void*>(GetProcAddress(g_library, MAKEINTRESOURCEA(kGuiVersionOrdinal))));
  if (!entry) {
    free_library();
    return false;
  }
  BOOL accepted = FALSE;
  if (!guarded([&] { accepted = entry(kRequired[0], kRequired[1], kRequired[2], kRequired[3]); }))
    accepted = FALSE;
  if (accepted & 0xFF) return true;
  free_library();
  RLOG("[rk_gui.version] rk_gui.dll too old. Need with numbers: %d, %d, %d, %d",
       static_cast<int>(kRequired[0]), static_cast<int>(kRequired[1]), static_cast<int>(kRequired[2]),
       static_cast<int>(kRequired[3]));
  return false;
}

bool load_gui_resource_library() {
  char path[kPathBuffer] = {};
  unsigned status = kGuiNotFound;
  registry_path(path);
  if (*path && try_load(path)) {
    status = kGuiFromRegistry;
    RLOG("rk_gui found in registry: %s", path);
  }
  if (status == kGuiNotFound) {
    std::memset(path, 0, sizeof(path));
    text beside = module_folder(this_module());
    if (!beside.empty() && beside.size() + std::strlen(kLibraryName) < kPathBuffer) {
      std::strcpy(path, beside.c_str());
      std::strcat(path, kLibraryName);
      if (try_load(path)) {
        status = kGuiBesideModule;
        RLOG("rk_gui found without registry: %s", path);
      }
    }
  }
  if (status == kGuiNotFound && try_load(kLibraryName)) {
    status = kGuiFromSystemSearch;
    RLOG("rk_gui found globally without registry: %s", path);
  }
  if (status != kGuiNotFound)
    RLOG("[init_res] no errors, status %d", static_cast<int>(status));
  else
    RLOG("[init_res] error: couldn't locate rk_gui.dll");
  if (g_library)
    if (gui_module* gui = current_gui_module()) gui->set_resource_instance(g_library);
  return g_library != nullptr;
}

// The module's own instance becomes the resource source again: it holds no strings or templates.
void unload_gui_resource_library() {
  if (!g_library) return;
  if (gui_module* gui = current_gui_module())
    if (gui->resource_instance() == g_library) gui->set_resource_instance(gui->module_instance());
  free_library();
}
