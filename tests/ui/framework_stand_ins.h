// The module object of the dialog tests, and recording stand-ins for context help and the control
// layout, which the dialogs and the sheet call and which land in the framework library separately:
// the tests see what they were asked.
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

namespace stand_ins {

struct help_request {
  HINSTANCE module;
  HWND window;
  unsigned context_id;
  POINT mouse;
};

// Calls in order, on the user-interface thread; cleared by the tests.
std::vector<help_request>& help_requests();
std::vector<HWND>& stretched_dialogs();

}  // namespace stand_ins
