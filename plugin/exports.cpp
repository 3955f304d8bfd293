// The host's plug-in interface.
#include "common/copy_out.h"
#include "common/guard.h"
#include "log/log.h"
#include "plugin/client_plugin.h"
#include "plugin/mail_flows.h"
#include "plugin/product.h"
#include "plugin/statistics.h"
#include "plugin/tbp_api.h"

namespace {

// Holds the one reference the module keeps on the host's bridge; released at unload.
class bridge_holder {
 public:
  ~bridge_holder() { set(nullptr); }
  void set(IUnknown* bridge) {
    if (bridge == held_) return;
    IUnknown* old = held_;
    held_ = bridge;
    if (bridge) guarded([&] { bridge->AddRef(); });
    if (old) guarded([&] { old->Release(); });
  }

 private:
  IUnknown* held_ = nullptr;
};

bridge_holder& bridge() {
  static bridge_holder holder;
  return holder;
}

// Status of the instance as the status exports report it, with the reason for their log lines.
int instance_status(const char** reason) {
  if (!g_instance) {
    *reason = ": no plugin's instance";
    return kStatusNoInstance;
  }
  if (!g_instance->initialized()) {
    *reason = ": plugin is disabled";
    return kStatusDisabled;
  }
  *reason = "";
  return kStatusReady;
}

void destroy_instance() {
  if (!g_instance) return;
  g_instance->deinit_client();
  delete g_instance;
  g_instance = nullptr;
}

}  // namespace

extern "C" {

int WINAPI TBP_Initialize() {
  RLOG("TBP_Initialize invoked");
  destroy_instance();  // a second start replaces the first instead of leaking it
  g_instance = new tb_plugin();
  read_product_version();
  return start_client_core(*g_instance);
}

void WINAPI TBP_Finalize() {
  RLOG("TBP_Finalize invoked");
  destroy_instance();
}

int WINAPI TBP_GetName(char* buffer, int size) {
  int n = copy_out_text(kPluginName, buffer, size);
  RLOG("TBP_GetName invoked and returned %s", kPluginName);
  return n;
}

int WINAPI TBP_GetVersion(char* buffer, int size) {
  int n = copy_out_text(product_version(), buffer, size);
  RLOG("TBP_GetVersion invoked and returned %s", product_version());
  return n;
}

int WINAPI TBP_GetStatus() {
  const char* reason;
  int status = instance_status(&reason);
  RLOG("TBP_GetStatus invoked and returned %d%s", status, reason);
  return status;
}

int WINAPI TBP_NeedConfig() {
  const char* reason;
  int need = instance_status(&reason) == kStatusReady ? 1 : 0;
  RLOG("TBP_NeedConfig invoked and returned %d%s", need, reason);
  return need;
}

int WINAPI TBP_Setup() {
  const char* reason;
  int status = instance_status(&reason);
  RLOG("TBP_Setup invoked and returned %d%s", status, reason);
  if (status == kStatusReady) g_instance->setup();
  return status;
}

int WINAPI TBP_NeedCOM() {
  RLOG("TBP_NeedCOM invoked and returned 1");
  return 1;
}

int WINAPI TBP_GetInfo(char* B, int Bsize) {
  RLOG("TBP_GetInfo invoked with B=%d and Bsize=%d", static_cast<int>(reinterpret_cast<intptr_t>(B)), Bsize);
  text report = info_report();
  if (B && Bsize >= 0) return copy_out_text(report.c_str(), B, Bsize);
  return static_cast<int>(report.size());
}

// Without an instance there is nothing to score with: -1, which the host treats as no score.
int WINAPI TBP_GetSpamScore(int MSID, tbp_data_callback callback) {
  RLOG("TBP_GetSpamScore invoked with MSID=%d", MSID);
  return g_instance ? do_filter_action(*g_instance, MSID, callback) : -1;
}

int WINAPI TBP_FeedSpam(int MSID, int isSPAM, tbp_data_callback callback) {
  RLOG("TBP_FeedSpam invoked with MSID=%d, isSPAM=%d", MSID, isSPAM);
  if (g_instance) mark_flow(*g_instance, MSID, isSPAM != 0, callback);
  return 0;
}

int WINAPI TBP_SetBridge(IUnknown* Abridge) {
  // Printed as the host's runtime prints a pointer: sixteen upper-case hex digits.
  RLOG("TBP_SetBridge invoked with Abridge=0x%016llX",
       static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(Abridge)));
  bridge().set(Abridge);
  return 0;
}

}  // extern "C"
