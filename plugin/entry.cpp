// The module's entry point: builds the module object, reads the installation folders, sets up and
// rotates the log, and records the host in it.
#include <windows.h>

#include "common/paths.h"
#include "common/product_keys.h"
#include "common/registry_key.h"
#include "engine/tb_spam.h"
#include "log/log.h"
#include "plugin/product.h"
#include "ui/framework/gui_module.h"

namespace {

gui_module& module_object(HINSTANCE instance) {
  static gui_module object(instance);
  return object;
}

void process_attach(HINSTANCE instance) {
  text root;
  text log_folder;
  get_product_path(kRootValue, root);
  if (!root.empty()) {
    text help;
    module_object(instance).set_help_root(get_product_path(kHelpValue, help));
    get_product_path(kLogValue, log_folder);
  }
  log_set_module(instance);
  log_set_folder(log_folder.c_str());
  log_rotate(nullptr);
  log_rotate("profiler.log");
  text host = module_file_name(nullptr);
  RLOG("%s", kBuildBanner);
  RLOG("process attached: %s", host.c_str());
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  module_object(instance);
  if (reason == DLL_PROCESS_ATTACH) {
    process_attach(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    // At process exit the engine library may already be detached: its interface is left alone.
    if (reserved) engine_wrapper().abandon_at_exit();
    text host = module_file_name(nullptr);
    RLOG("process detached: %s", host.c_str());
  }
  return TRUE;
}
