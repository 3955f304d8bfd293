// Path operations on texts. Paths are ANSI, at most 260 characters; folder paths end in a backslash.
#pragma once
#include "common/text.h"

constexpr size_t kMaxPath = 260;

// Cuts at the last backslash (keeping it); a path without one becomes empty.
void path_remove_file_name(text& path);
// Appends a component: drops one leading backslash of it and puts one between the two unless the path
// is empty or already ends in one.
void path_append(text& path, const char* component);
// Appends an extension: drops one leading dot of it and puts one before it.
void path_append_extension(text& path, const char* extension);
// Cuts at the last dot that follows the last backslash.
void path_remove_extension(text& path);
// Appends a backslash unless the path is empty or already ends in one.
void path_add_backslash(text& path);
// The file name part: everything after the last backslash.
const char* path_file_name(const char* path);

#ifdef _WIN32
#include <windows.h>
// GetModuleFileNameA of the module (null: the process's executable); empty when it cannot be read.
text module_file_name(HMODULE module);
// Folder of the module, ending in a backslash; empty when the name cannot be read.
text module_folder(HMODULE module);
// The module holding this code.
HMODULE this_module();
#endif
