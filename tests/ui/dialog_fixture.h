// Fixtures of the dialog and sheet tests: the module object, and a recording stand-in of context help.
#pragma once
#include <windows.h>

#include <vector>

#include "ui/framework/gui_module.h"

// The module object of the dialog tests: the test program is its resource instance, so that the
// templates and strings are those of dialog_test.rc; the common controls are registered.
inline gui_module& test_module() {
  static gui_module module(GetModuleHandleA(nullptr));
  module.ensure_common_controls();
  return module;
}

// dialog_fixture.cpp defines display_help_popup in place of the framework's (whose own tests prove
// what it shows), so that a dialog test sees exactly what a help request asked for. A program that
// links it must use no other part of context help, or the two definitions clash at link time.
namespace help_stand_in {

struct request {
  HINSTANCE module;
  HWND window;
  unsigned context_id;
  POINT mouse;
};

// Requests in order, on the user-interface thread; cleared by the tests.
std::vector<request>& requests();

}  // namespace help_stand_in
