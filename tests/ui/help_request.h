// A user's help request on the rule editor of the resource library: the dialog runs modally on the
// test thread while a second thread clicks its text field, presses F1 (real X input), closes the
// message box that may follow, and then clicks Cancel.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <thread>

#include "tests/support/test_support.h"
#include "tests/ui/message_box_watcher.h"
#include "tests/ui/x_input.h"
#include "ui/framework/dialog_base.h"
#include "ui/framework/gui_module.h"
#include "ui/framework/resource_ids.h"

namespace ui_fixture {

struct help_request {
  INT_PTR modal_result = 0;
  HWND dialog = nullptr;
  POINT click = {};  // where the text field was clicked, on the screen
  bool pressed = false;
  message_box_seen box;
};

// The rule editor's caption, by which the drive finds it.
constexpr char kRuleEditCaption[] = "Rule";

// After F1 the drive waits until a message box showed (it is read and closed) or done holds (for
// example: the help engine was called).
inline help_request request_help_on_rule_value(const std::function<bool()>& done, DWORD timeout_ms = 10000) {
  help_request out;
  const DWORD test_thread = GetCurrentThreadId();
  std::thread user([&] {
    HWND dialog = nullptr;
    for (DWORD waited = 0; !dialog && waited < timeout_ms; waited += 20, Sleep(20)) {
      HWND found = FindWindowA("#32770", kRuleEditCaption);
      if (found && IsWindowVisible(found) && GetWindowThreadProcessId(found, nullptr) == test_thread)
        dialog = found;
    }
    if (!dialog) return;
    out.dialog = dialog;
    HWND field = GetDlgItem(dialog, IDC_RULE_VALUE);
    RECT r;
    GetWindowRect(field, &r);
    out.click = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    out.pressed = click_then_press(kRuleEditCaption, field, "F1");
    for (DWORD waited = 0; out.pressed && waited < timeout_ms && !done(); waited += 20) {
      // On a loaded machine X input can reach the window before Wine has given it the focus, and
      // the key is lost: press once more when nothing has come of the first press for a while.
      if (waited == timeout_ms / 2) out.pressed = click_then_press(kRuleEditCaption, field, "F1");
      if (find_message_box(test_thread, kRuleEditCaption)) {
        out.box = close_message_box(test_thread, timeout_ms, kRuleEditCaption);
        break;
      }
      Sleep(20);
    }
    SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  });
  dialog_base rule_edit(IDD_RULE_EDIT);
  out.modal_result = rule_edit.do_modal(nullptr);
  user.join();
  return out;
}

// The module object of a help test takes the resource library as its resource instance and the help
// root given, for the life of this object.
class help_module {
 public:
  help_module(gui_module* module, const char* help_root) : module_(module) {
    library_ = LoadLibraryA((testing_support::program_folder() + "rk_gui.dll").c_str());
    module_->set_resource_instance(library_);
    module_->set_help_root(help_root);
  }
  ~help_module() {
    module_->set_resource_instance(module_->module_instance());
    module_->set_help_root("");
    if (library_) FreeLibrary(library_);
  }
  help_module(const help_module&) = delete;
  help_module& operator=(const help_module&) = delete;
  bool ok() const { return library_ != nullptr; }

 private:
  gui_module* module_;
  HMODULE library_ = nullptr;
};

}  // namespace ui_fixture
