#include "engine/tb_spam.h"

#include "common/guard.h"
#include "log/log.h"
#include "settings/folders.h"
#include "settings/plugin_settings.h"

namespace {
aspam* g_current = nullptr;
constexpr int kStartDisabled = -1;
}  // namespace

aspam::aspam() {
  if (!g_current) g_current = this;
}

aspam::~aspam() {
  aspam::stop();
  if (g_current == this) g_current = nullptr;
}

tb_spam::~tb_spam() { stop(); }

aspam* current_engine_wrapper() { return g_current; }

tb_spam& engine_wrapper() {
  static tb_spam wrapper;
  return wrapper;
}

int aspam::init_engine(const char* storage_file_name) {
  if (initialized_) stop();
  apartment_ = std::make_unique<com_apartment>();
  if (FAILED(CoGetMalloc(1, &task_allocator_))) {
    task_allocator_ = nullptr;
    return static_cast<int>(E_FAIL);
  }
  bind_settings_offline(storage_file_name);
  return 0;
}

int aspam::start_online() {
  connect();
  int answer = bind_settings_online();
  initialized_ = true;
  return answer;
}

void aspam::abandon_at_exit() {
  if (connector_) connector_->abandon();
  connector_.reset();
  task_allocator_ = nullptr;
  if (apartment_) apartment_.release();  // leaving the apartment at exit is the system's business
  initialized_ = false;
}

void aspam::stop() {
  if (!initialized_) return;
  connector_.reset();
  if (task_allocator_) {
    task_allocator_->Release();
    task_allocator_ = nullptr;
  }
  apartment_.reset();
  initialized_ = false;
}

// The wrapper's line is logged once, when its connector is made; later attempts are the connector's,
// which logs each of its own failures.
bool aspam::connect() {
  if (connector_) return true;
  connector_ = std::make_unique<engine_connector>();
  if (connector_->connect()) return true;
  RLOG("%s", connect_failure_line());
  return false;
}

engine_interface* aspam::engine() {
  bool made_now = !connector_;
  if (!connect()) return nullptr;
  // A connector made just now has tried once already; an older one retries.
  if (!made_now && !connector_->connect()) return nullptr;
  return connector_->engine();
}

void aspam::bind_settings_offline(const char* storage_file_name) {
  RLOG("[i] __bind_settings_offline - client only");
  if (plugin_settings* record = current_plugin_settings()) {
    record->init_working_directory();
    record->load_settings_file(storage_file_name);
  }
  offline_hook();
  text path;
  statistics_file_path(&path);
  if (client_) client_->use_statistics_path(path.c_str());
}

int aspam::bind_settings_online() {
  RLOG("[i] __bind_settings_online - with server running");
  plugin_settings* record = current_plugin_settings();
  if (engine_interface* e = engine()) {
    settings_sink sink;
    HRESULT result = E_FAIL;
    if (!guarded([&] { result = e->get_settings(kEngineSettingsName, &sink); })) result = E_FAIL;
    if (SUCCEEDED(result) && sink.size() > 0 && record)
      record->apply_engine_settings(sink.data(), sink.size());
  }
  online_hook();
  return sync_train_by_sent();
}

int aspam::sync_train_by_sent() {
  plugin_settings* record = current_plugin_settings();
  int on = record && record->train_by_sent_items ? 1 : 0;
  RLOG("[i] train by sent emails was switched %d", on);
  engine_interface* e = engine();
  if (!e) return 0;
  HRESULT answer = 0;
  if (!guarded([&] { answer = on ? e->train_by_sent_on(1) : e->train_by_sent_off(); })) answer = E_FAIL;
  return static_cast<int>(answer);
}

void aspam::reload_lists(uint8_t mask) {
  if (mask == 0) return;
  if (engine_interface* e = engine()) guarded([&] { e->reload_lists(mask); });
}

// This host's client does not learn from sent items at start: the user switches it on in the
// configuration, which tells the engine.
void tb_spam::online_hook() {
  if (plugin_settings* record = current_plugin_settings()) {
    record->train_by_sent_items = false;
    record->train_by_sent_address_book = false;
    record->grade_marks_in_subject = false;
  }
}

int tb_spam::start(engine_client& client) {
  if (read_basic_setting(kEnableThebat) == 0) return kStartDisabled;
  set_client(&client);
  int status = init_engine(kPluginSettingsFile);
  start_online();
  client.startup_operations();
  set_client(nullptr);  // the client lives for the start only
  return status;
}
