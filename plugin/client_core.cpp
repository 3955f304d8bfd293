// Start and stop of the client core: the resource library, the settings record and the engine wrapper.
#include "engine/tb_spam.h"
#include "log/log.h"
#include "plugin/client_plugin.h"
#include "plugin/product.h"
#include "plugin/statistics.h"
#include "plugin/tbp_api.h"
#include "rules/rule_item.h"
#include "settings/plugin_settings.h"
#include "ui/framework/gui_library.h"
#include "ui/framework/gui_module.h"

namespace {

plugin_settings& settings_record_object() {
  static plugin_settings record;
  return record;
}

// What the engine wrapper asks of the instance while it starts.
class instance_engine_client final : public engine_client {
 public:
  explicit instance_engine_client(client_plugin& instance) : instance_(instance) {}
  void startup_operations() override { instance_.Startup_operations(); }
  void use_statistics_path(const char* path) override { set_statistics_path(path); }

 private:
  client_plugin& instance_;
};

}  // namespace

int client_plugin::init_client() {
  RLOG("[i] init_client called");
  if (!load_gui_resource_library()) return kStartFailed;
  // Rule errors explain themselves in the resource library's words.
  set_rule_text_source(&load_resource_string);
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
  instance_engine_client client(instance);
  if (wrapper.start(client) == 0) {
    RLOG("[i] client initialized");
    return 0;
  }
  instance.client_plugin::deinit_client();
  return kStartFailed;
}
