// The engine as the plug-in sees it: a COM-style object behind export ordinal 1. One object exists per
// process; it loads the model and the lists when created, scores and learns under one lock, and
// persists what it learned on a schedule (every few seconds while there is something new), at its
// last Release and when the library unloads.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "engine/engine_interface.h"
#include "sfl_ipc/engine_state.h"
#include "sfl_ipc/model_store.h"

namespace sfl {

constexpr DWORD kSaveIntervalMs = 2000;

class engine_object final : public engine_interface {
 public:
  // folder: the per-user folder, ending in a backslash; data_folder: where the statistics file lives.
  engine_object(std::string folder, std::string statistics_file);
  ~engine_object();
  engine_object(const engine_object&) = delete;
  engine_object& operator=(const engine_object&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE unused3() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE check(message_package* package, int32_t* score) override;
  HRESULT STDMETHODCALLTYPE mark(message_package* package, int32_t spam, uint8_t mark) override;
  HRESULT STDMETHODCALLTYPE unused6() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE unused7() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE unused8() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_settings(const char* name, settings_sink* sink) override;
  HRESULT STDMETHODCALLTYPE reload_lists(uint8_t mask) override;
  HRESULT STDMETHODCALLTYPE train_by_sent_on(uint8_t flag) override;
  HRESULT STDMETHODCALLTYPE unused12() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE train_by_sent_off() override;
  HRESULT STDMETHODCALLTYPE query_argument(void* argument) override;
  HRESULT STDMETHODCALLTYPE query() override;

  // Starts the saver; the object then holds one reference for its creator.
  void start();
  std::string explain(const char* raw, size_t size, bool features);
  // Writes what is new; try_only skips when another thread holds the engine (process exit).
  void persist(bool try_only);
  const std::string& folder() const { return folder_; }

 private:
  static DWORD WINAPI saver_main(void* self);
  void stop_saver();
  void load_lists(uint8_t mask);
  void write_statistics(const learn_counters& c);

  std::string folder_, statistics_file_;
  CRITICAL_SECTION lock_;
  engine_state state_;
  model_store store_;
  volatile LONG references_ = 0;
  bool dirty_ = false;
  std::string query_ = "trusted";
  HANDLE stop_event_ = nullptr;
  HANDLE saver_done_ = nullptr;
  HANDLE saver_ = nullptr;
};

// The live engine of this process with a reference for the caller, or null. A live engine is one that
// create_engine handed out; engines built for a single call never become live.
engine_object* acquire_live_engine();
// Makes the engine the live one (under the same lock as acquire_live_engine); false when one exists.
bool publish_live_engine(engine_object* engine);
// The live engine without a reference, for the library's unload only.
engine_object* live_engine_at_unload();

}  // namespace sfl
