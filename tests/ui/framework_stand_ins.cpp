#include "tests/ui/framework_stand_ins.h"

#include "ui/framework/context_help.h"
#include "ui/framework/dialog_layout.h"

namespace stand_ins {

std::vector<help_request>& help_requests() {
  static std::vector<help_request> calls;
  return calls;
}

std::vector<HWND>& stretched_dialogs() {
  static std::vector<HWND> calls;
  return calls;
}

}  // namespace stand_ins

int display_help_popup(HINSTANCE module_instance, HWND window, unsigned context_id, POINT mouse) {
  stand_ins::help_requests().push_back({module_instance, window, context_id, mouse});
  return 1;
}

void stretch_dialog_controls(HWND dialog) { stand_ins::stretched_dialogs().push_back(dialog); }
