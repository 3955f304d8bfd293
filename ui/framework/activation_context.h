// The module's side-by-side activation context, built from its isolation-aware manifest (resource id 2),
// so that windows, dialogs and sheets get the version 6 common controls whatever the host process
// carries. Every class registration, window, dialog and sheet creation, common-control initialisation
// and the help engine's load run inside it.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Activates the module's context for the life of the object; a module without a manifest (a test
// program) runs in the process's own context.
class activation_scope {
 public:
  activation_scope();
  ~activation_scope();
  activation_scope(const activation_scope&) = delete;
  activation_scope& operator=(const activation_scope&) = delete;
  bool active() const { return active_; }

 private:
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

// The instance the framework registers classes and creates windows with: the current module object's
// module instance, else the module holding this code.
HINSTANCE framework_module_instance();

// The context of the module instance, created once; INVALID_HANDLE_VALUE when the module has none.
HANDLE module_activation_context();

typedef INT_PTR(WINAPI* property_sheet_fn)(LPCPROPSHEETHEADERA header);
typedef BOOL(WINAPI* init_common_controls_fn)(const INITCOMMONCONTROLSEX* classes);

// Entry points of the common controls library loaded inside the context, looked up by name once per
// process (a failed look-up is tried again at the next call). Null when unavailable.
property_sheet_fn property_sheet_entry();
init_common_controls_fn init_common_controls_entry();

// InitCommonControlsEx (classes) inside the context; false when it cannot be called or refuses.
bool init_common_controls(DWORD classes);
// LoadLibraryA inside the context.
HMODULE load_library_in_context(const char* name);
