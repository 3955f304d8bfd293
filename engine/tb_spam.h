// The engine wrapper: owns the connection to the engine library and the COM state it needs, and binds
// the settings, first offline from the module's own storage file, then online from the running engine.
// aspam is host-neutral; tb_spam is the wrapper for this host. One exists per process.
#pragma once
#include <objbase.h>
#include <windows.h>

#include <cstdint>
#include <memory>

#include "engine/engine_connector.h"

// What the wrapper asks of the plug-in it serves. The plug-in implements it, so that the wrapper knows
// nothing of the plug-in's instance or of its counters.
class engine_client {
 public:
  // Run once the settings are bound online.
  virtual void startup_operations() = 0;
  // Where the verdict counters go; given while the settings are bound offline.
  virtual void use_statistics_path(const char* path) = 0;

 protected:
  ~engine_client() = default;
};

// Holds the result of entering a single-threaded apartment; leaves it only if entering succeeded.
class com_apartment {
 public:
  com_apartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~com_apartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  com_apartment(const com_apartment&) = delete;
  com_apartment& operator=(const com_apartment&) = delete;
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

class aspam {
 public:
  aspam();
  virtual ~aspam();
  aspam(const aspam&) = delete;
  aspam& operator=(const aspam&) = delete;

  virtual int init_engine(const char* storage_file_name);
  virtual int start_online();
  virtual void stop();
  // True when a connector exists. The first call makes it and connects; when that fails it logs the
  // wrapper's line and answers false.
  virtual bool connect();
  virtual void offline_hook() {}
  virtual void online_hook() {}

  // The connected engine, or null; reconnects as needed.
  engine_interface* engine();
  int sync_train_by_sent();
  // The process is ending: forget the engine without calling into it (its library may be gone).
  void abandon_at_exit();
  void reload_lists(uint8_t mask);
  bool initialized() const { return initialized_; }
  void set_client(engine_client* client) { client_ = client; }

 protected:
  virtual const char* connect_failure_line() const { return "[-] aspam engine initialization failed"; }

 private:
  void bind_settings_offline(const char* storage_file_name);
  int bind_settings_online();

  std::unique_ptr<engine_connector> connector_;
  engine_client* client_ = nullptr;
  IMalloc* task_allocator_ = nullptr;
  bool initialized_ = false;
  std::unique_ptr<com_apartment> apartment_;
};

class tb_spam : public aspam {
 public:
  ~tb_spam() override;
  // Starts the engine for the instance; -1 when the plug-in is disabled for this host.
  int start(engine_client& client);
  void online_hook() override;

 protected:
  const char* connect_failure_line() const override { return "[-] tb_spam engine initialization failed"; }
};

// The wrapper of this process: built by the first start of the client core, stopped at unload.
tb_spam& engine_wrapper();
// The current wrapper, or null when none was built.
aspam* current_engine_wrapper();
