// The start and stop the mail client performs around any use of the plug-in: load it, enter COM when
// it asks, hand it the bridge, initialise it; then finalise, unload and leave COM.
#pragma once
#include <string>

#include "host/commands.h"
#include "host/plugin_api.h"

class plugin_session {
 public:
  plugin_session() = default;
  ~plugin_session() { stop(); }
  plugin_session(const plugin_session&) = delete;
  plugin_session& operator=(const plugin_session&) = delete;

  // False (with a message on stderr) only when the module cannot be loaded or lacks an export. A
  // failed TBP_Initialize is a warning: a disabled plug-in still answers.
  bool start(const host_options& options);
  void stop();

  plugin_module& plugin() { return plugin_; }
  int start_status() const { return start_status_; }
  const counting_bridge& bridge() const { return bridge_; }

 private:
  plugin_module plugin_;
  counting_bridge bridge_;  // outlives the module, which releases it at unload
  bool com_ = false;
  bool started_ = false;
  int start_status_ = 0;
};
