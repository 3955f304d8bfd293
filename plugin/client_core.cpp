// Start and stop of the client core: the resource library, the settings record and the engine wrapper.
#include "engine/tb_spam.h"
#include "log/log.h"
#include "plugin/client_plugin.h"
#include "plugin/product.h"
#include "plugin/statistics.h"
#include "plugin/tbp_api.h"
#include "rules/rule_texts_win.h"
#include "settings/plugin_settings.h"
#include "ui/framework/gui_library.h"

namespace {

plugin_settings& settings_record_object() {
  static plugin_settings record;
  return record;
}

}  // namespace

int client_plugin::init_client() {
  RLOG("[i] init_client called");
  if (!load_gui_resource_library()) return kStartFailed;
  use_resource_rule_texts();  // rule errors explain themselves in the resource library's words
  plugin_settings& record = settings_record_object();
  record.bind(kBindRegister);
  record.bind(kBindReset);
  initialized_ = true;
  return 0;
}

void client_plugin::deinit_client() {
  if (!initialized_) return;
  RLOG("[i] deinit_client called");
  if (plugin_settings* record = current_plugin_settings()) record->save_if_modified();
  unload_gui_resource_library();
  initialized_ = false;
}

void tb_plugin::deinit_client() {
  RLOG("[i] tb_plugin deinit called");
  stat_flush();
  client_plugin::deinit_client();
  engine_wrapper().stop();
}

int start_client_core(client_plugin& instance) {
  RLOG("%s", kBuildBanner);
  tb_spam& wrapper = engine_wrapper();
  if (instance.init_client() < 0) return kStartFailed;
  if (wrapper.start(instance) == 0) {
    RLOG("[i] client initialized");
    return 0;
  }
  instance.client_plugin::deinit_client();
  return kStartFailed;
}
