// Start and stop of the client core.
#include "log/log.h"
#include "plugin/client_plugin.h"
#include "plugin/product.h"
#include "plugin/tbp_api.h"

int client_plugin::init_client() {
  RLOG("[i] init_client called");
  initialized_ = true;
  return 0;
}

void client_plugin::deinit_client() {
  if (!initialized_) return;
  RLOG("[i] deinit_client called");
  initialized_ = false;
}

void tb_plugin::deinit_client() {
  RLOG("[i] tb_plugin deinit called");
  client_plugin::deinit_client();
}

int start_client_core(client_plugin& instance) {
  RLOG("%s", kBuildBanner);
  // The engine wrapper is not part of this build yet, so the start fails as a failed engine start
  // does: the instance stays, not initialized, and the status exports report it disabled.
  instance.client_plugin::deinit_client();
  return kStartFailed;
}
