#include "ui/framework/gui_module.h"

#include <commctrl.h>

#include <memory>
#include <new>

#include "common/paths.h"
#include "ui/framework/activation_context.h"

namespace {
gui_module* g_current = nullptr;

constexpr DWORD kCommonControlClasses = 0x4FF;  // the Windows 95 classes and the cool bar classes
constexpr int kStringBufferSize = 65535;

// From the module's entry point only a library already loaded is used, outside the module's
// activation context: loading one there (or building the context) could deadlock on the loader's
// lock. Every later registration (may_load) runs inside the context, through the entry point looked
// up once per process, so that windows and sheets get the version 6 controls.
bool register_common_controls(bool may_load) {
  if (may_load) return init_common_controls(kCommonControlClasses);
  HMODULE comctl = GetModuleHandleA("comctl32.dll");
  auto init = comctl ? reinterpret_cast<init_common_controls_fn>(
                           reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")))
                     : nullptr;
  INITCOMMONCONTROLSEX icc = {sizeof(icc), kCommonControlClasses};
  return init && init(&icc) != FALSE;
}
}  // namespace

gui_module::gui_module(HINSTANCE instance) {
  if (!g_current) g_current = this;
  init(instance);
}

gui_module::~gui_module() {
  if (g_current == this) g_current = nullptr;
}

bool gui_module::init(HINSTANCE instance) {
  module_instance_ = instance;
  resource_instance_ = instance;
  // Best effort: the registration that counts is the first one inside the context.
  register_common_controls(false);
  controls_ready_ = false;
  return true;
}

bool gui_module::ensure_common_controls() {
  if (!controls_ready_) controls_ready_ = register_common_controls(true);
  return controls_ready_;
}

bool gui_module::term() {
  module_instance_ = nullptr;
  resource_instance_ = nullptr;
  return true;
}

int gui_module::run_message_loop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return term();
}

void gui_module::set_help_root(const char* path) {
  help_root_.assign(path);
  path_add_backslash(help_root_);
}

gui_module* current_gui_module() { return g_current; }

HINSTANCE resource_instance() { return g_current ? g_current->resource_instance() : nullptr; }

// A string resource holds at most 65535 characters.
text load_string(unsigned id, HINSTANCE instance) {
  text out;
  if (!instance) instance = resource_instance();
  if (!instance) return out;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kStringBufferSize]);
  if (!buffer) return out;
  const int n = LoadStringA(instance, id, buffer.get(), kStringBufferSize);
  if (n > 0) out.assign(buffer.get(), static_cast<size_t>(n));
  return out;
}

text load_resource_string(unsigned id) { return load_string(id, nullptr); }
