#include "tests/ui/dialog_fixture.h"

#include "ui/framework/context_help.h"

std::vector<help_stand_in::request>& help_stand_in::requests() {
  static std::vector<request> calls;
  return calls;
}

int display_help_popup(HINSTANCE module_instance, HWND window, unsigned context_id, POINT mouse) {
  help_stand_in::requests().push_back({module_instance, window, context_id, mouse});
  return 1;
}
