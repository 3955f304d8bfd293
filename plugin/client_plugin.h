// The plug-in instance: the host-neutral client core (client_plugin) and its adapter to this host
// (tb_plugin). The lock serialises the check and training flows; initialized is what the status
// exports report.
#pragma once
#include <windows.h>

class client_plugin {
 public:
  client_plugin();
  virtual ~client_plugin();
  client_plugin(const client_plugin&) = delete;
  client_plugin& operator=(const client_plugin&) = delete;

  virtual int init_client();
  virtual void deinit_client();
  virtual int on_new_mail() { return 0; }
  virtual int mark_as_spam();
  virtual int mark_as_non_spam();
  virtual int hook6() { return 0; }
  virtual int setup();
  virtual int hook8() { return 0; }
  virtual void open_help_document();
  virtual int hook10() { return 0; }
  virtual int hook11() { return 0; }
  virtual void OnInitComplete();
  virtual void delete_expired_mail() {}
  virtual void open_web_page();
  virtual void startup_hook15() {}
  virtual bool engine_query(void* argument) = 0;
  virtual void show_about();
  virtual void startup_hook18() {}
  virtual void startup_hook19() {}
  virtual HWND owner_window();

  // Run by the engine wrapper once the settings are bound.
  void Startup_operations();
  void _check_and_ask_for_training();

  bool initialized() const { return initialized_; }
  void set_initialized(bool on) { initialized_ = on; }
  CRITICAL_SECTION* lock() { return &lock_; }

 private:
  CRITICAL_SECTION lock_;
  bool initialized_ = false;
};

class tb_plugin : public client_plugin {
 public:
  tb_plugin() = default;
  ~tb_plugin() override = default;

  void deinit_client() override;
  bool engine_query(void* argument) override;
  HWND owner_window() override;
  virtual void hook21() {}
};

// Enters the instance's lock for one scope.
class instance_lock {
 public:
  explicit instance_lock(client_plugin& p) : cs_(p.lock()) { EnterCriticalSection(cs_); }
  ~instance_lock() { LeaveCriticalSection(cs_); }
  instance_lock(const instance_lock&) = delete;
  instance_lock& operator=(const instance_lock&) = delete;

 private:
  CRITICAL_SECTION* cs_;
};

// The one instance: set by TBP_Initialize, cleared by TBP_Finalize.
extern tb_plugin* g_instance;

// Starts the client core for the instance; its result is TBP_Initialize's.
int start_client_core(client_plugin& instance);
