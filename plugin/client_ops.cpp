// Operations of the instance that open help, web pages and message boxes.
#include <windows.h>
#include <shellapi.h>

#include "common/guard.h"
#include "engine/tb_spam.h"
#include "log/log.h"
#include "plugin/client_plugin.h"
#include "ui/framework/gui_module.h"
#include "ui/framework/resource_ids.h"

namespace {
// String ids of the resource library.
constexpr INT_PTR kShellErrorLimit = 32;
}  // namespace

void client_plugin::open_help_document() {
  gui_module* gui = current_gui_module();
  text path(gui ? gui->help_root().c_str() : "");
  path.append(load_resource_string(IDS_HELP_DOCUMENT));
  RLOG("[i] opening \"%s\"", path.c_str());
  ShellExecuteA(owner_window(), nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void client_plugin::open_web_page() {
  text address = load_resource_string(IDS_WEB_ADDRESS);
  RLOG("[i] opening \"%s\"", address.c_str());
  INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, nullptr, address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= kShellErrorLimit) RLOG("[i] error code 0x%0X", static_cast<unsigned>(result));
}

void client_plugin::show_about() {
  text caption = load_resource_string(IDS_ABOUT_CAPTION);
  text body = load_resource_string(IDS_ABOUT_TEXT);
  HWND owner = GetActiveWindow();
  HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  MessageBoxA(top ? top : owner, body.c_str(), caption.c_str(), MB_OK);
}

void client_plugin::_check_and_ask_for_training() { RLOG("[i] _check_and_ask_for_training"); }

void client_plugin::Startup_operations() {
  RLOG("[i] processing Startup_operations with thread id 0x%08X",
       static_cast<unsigned>(GetCurrentThreadId()));
  startup_hook18();
  startup_hook15();
  // An expired-mail sweep that throws must not stop the start.
  try {
    delete_expired_mail();
  } catch (...) { RLOG("[-] exception in delete_expired_mail"); }
  _check_and_ask_for_training();
  startup_hook19();
  RLOG("[i] Startup_operations completed");
}

bool tb_plugin::engine_query(void* argument) {
  aspam* wrapper = current_engine_wrapper();
  engine_interface* engine = wrapper ? wrapper->engine() : nullptr;
  if (!engine) return false;
  if (argument) guarded([&] { engine->query_argument(argument); });
  HRESULT answer = E_FAIL;
  if (!guarded([&] { answer = engine->query(); })) return false;
  return answer == 0;
}
