#include "ui/framework/activation_context.h"

#include "common/paths.h"
#include "ui/framework/gui_module.h"

namespace {
constexpr WORD kManifestResource = 2;  // an isolation-aware manifest of a DLL

HANDLE g_context = INVALID_HANDLE_VALUE;
bool g_context_tried = false;
HMODULE g_comctl = nullptr;
property_sheet_fn g_property_sheet = nullptr;
init_common_controls_fn g_init_common_controls = nullptr;

// Process-wide: released when the module unloads.
struct context_holder {
  ~context_holder() {
    if (g_context != INVALID_HANDLE_VALUE) ReleaseActCtx(g_context);
    g_context = INVALID_HANDLE_VALUE;
  }
};

FARPROC comctl_entry(const char* name) {
  if (!g_comctl) g_comctl = load_library_in_context("comctl32.dll");
  return g_comctl ? GetProcAddress(g_comctl, name) : nullptr;
}
}  // namespace

HINSTANCE framework_module_instance() {
  gui_module* gui = current_gui_module();
  return gui && gui->module_instance() ? gui->module_instance() : this_module();
}

HANDLE module_activation_context() {
  if (g_context_tried) return g_context;
  g_context_tried = true;
  static context_holder holder;
  HINSTANCE module = framework_module_instance();
  text source = module_file_name(module);
  ACTCTXA request = {};
  request.cbSize = sizeof(request);
  request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = source.c_str();
  request.hModule = module;
  request.lpResourceName = MAKEINTRESOURCEA(kManifestResource);
  // Skip the search when the module carries no manifest: the call would only fail.
  if (FindResourceA(module, request.lpResourceName, MAKEINTRESOURCEA(24)))
    g_context = CreateActCtxA(&request);
  return g_context;
}

activation_scope::activation_scope() {
  HANDLE context = module_activation_context();
  if (context != INVALID_HANDLE_VALUE) active_ = ActivateActCtx(context, &cookie_) != FALSE;
}

activation_scope::~activation_scope() {
  if (!active_) return;
  const DWORD error = GetLastError();  // callers read the error of the call made inside the scope
  DeactivateActCtx(0, cookie_);
  SetLastError(error);
}

HMODULE load_library_in_context(const char* name) {
  activation_scope scope;
  return LoadLibraryA(name);
}

property_sheet_fn property_sheet_entry() {
  if (!g_property_sheet)
    g_property_sheet =
        reinterpret_cast<property_sheet_fn>(reinterpret_cast<void*>(comctl_entry("PropertySheetA")));
  return g_property_sheet;
}

init_common_controls_fn init_common_controls_entry() {
  if (!g_init_common_controls)
    g_init_common_controls = reinterpret_cast<init_common_controls_fn>(
        reinterpret_cast<void*>(comctl_entry("InitCommonControlsEx")));
  return g_init_common_controls;
}

bool init_common_controls(DWORD classes) {
  init_common_controls_fn init = init_common_controls_entry();
  if (!init) return false;
  INITCOMMONCONTROLSEX request = {sizeof(request), classes};
  activation_scope scope;
  return init(&request) != FALSE;
}
