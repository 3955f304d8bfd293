// Recording stand-ins for context help and the control layout, which the dialogs and the sheet call
// and which land in the framework library separately: the tests see what they were asked.
#pragma once
#include <windows.h>

#include <vector>

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
