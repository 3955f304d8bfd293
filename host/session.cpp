#include "host/session.h"

#include <objbase.h>

#include <cstdio>

bool plugin_session::start(const host_options& options) {
  std::string error;
  if (!load_plugin(options.plugin_path.c_str(), plugin_, error)) {
    std::fprintf(stderr, "plughost: %s\n", error.c_str());
    return false;
  }
  com_ = plugin_.NeedCOM() != 0 && SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  plugin_.SetBridge(&bridge_);
  start_status_ = plugin_.Initialize();
  started_ = true;
  if (start_status_ != 0)
    std::fprintf(stderr,
                 "plughost: warning: TBP_Initialize returned 0x%08X; going on with a disabled plug-in\n",
                 static_cast<unsigned>(start_status_));
  return true;
}

void plugin_session::stop() {
  if (started_) plugin_.Finalize();
  started_ = false;
  unload_plugin(plugin_);
  if (com_) CoUninitialize();
  com_ = false;
}
