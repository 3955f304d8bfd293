// Finds, checks and loads the resource library "rk_gui.dll" (registry, beside the module, system
// search) and makes it the resource instance of the module object.
#pragma once
#include <windows.h>

// Where the accepted library was found; logged.
enum gui_library_location : unsigned {
  kGuiNotFound = 0,
  kGuiFromRegistry = 1,
  kGuiBesideModule = 2,
  kGuiFromSystemSearch = 3,
};

bool load_gui_resource_library();
void unload_gui_resource_library();
// Asks the loaded library whether it carries the resources this module needs; frees it when not.
bool check_gui_library_version();
HMODULE gui_library_handle();
