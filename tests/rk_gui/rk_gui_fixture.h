// rk_gui.dll loaded as the plug-in loads it, and its resources read back.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "tests/rk_gui/resource_reader.h"

namespace rk_gui_test {

constexpr int kTemplates[] = {210, 211, 212};

// The built library, loaded once for the test program.
HMODULE library();

// The bytes of a resource of the library; empty when it is missing.
std::string resource_bytes(const char* type, int id);
// The template's content; fails the calling test when it is missing or unreadable.
dialog_template read_template(int id);
// Every help id a template carries: the dialog's own and its controls'.
std::vector<uint32_t> help_ids_of(const dialog_template& t);
std::string load_string(int id);

}  // namespace rk_gui_test
