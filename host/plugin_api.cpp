#include "host/plugin_api.h"

#include <vector>

namespace {

template <class F>
bool resolve(HMODULE module, const char* name, F& slot, std::string& error) {
  slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (!slot && error.empty()) error = std::string("the plug-in does not export ") + name;
  return slot != nullptr;
}

}  // namespace

bool load_plugin(const char* path, plugin_module& p, std::string& error) {
  error.clear();
  p = plugin_module();
  p.module = LoadLibraryA(path);
  if (!p.module) {
    error = std::string("cannot load ") + path + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  bool ok = resolve(p.module, "TBP_Initialize", p.Initialize, error);
  ok &= resolve(p.module, "TBP_Finalize", p.Finalize, error);
  ok &= resolve(p.module, "TBP_GetName", p.GetName, error);
  ok &= resolve(p.module, "TBP_GetVersion", p.GetVersion, error);
  ok &= resolve(p.module, "TBP_GetStatus", p.GetStatus, error);
  ok &= resolve(p.module, "TBP_GetInfo", p.GetInfo, error);
  ok &= resolve(p.module, "TBP_NeedConfig", p.NeedConfig, error);
  ok &= resolve(p.module, "TBP_Setup", p.Setup, error);
  ok &= resolve(p.module, "TBP_NeedCOM", p.NeedCOM, error);
  ok &= resolve(p.module, "TBP_GetSpamScore", p.GetSpamScore, error);
  ok &= resolve(p.module, "TBP_FeedSpam", p.FeedSpam, error);
  ok &= resolve(p.module, "TBP_SetBridge", p.SetBridge, error);
  if (!ok) unload_plugin(p);
  return ok;
}

void unload_plugin(plugin_module& p) {
  if (p.module) FreeLibrary(p.module);
  p = plugin_module();
}

std::string plugin_text(int(WINAPI* get)(char*, int)) {
  int n = get(nullptr, 0);
  if (n <= 0) return std::string();
  std::vector<char> buf(static_cast<size_t>(n));
  int got = get(buf.data(), n);
  if (got < 0) got = 0;
  if (got > n) got = n;
  return std::string(buf.data(), static_cast<size_t>(got));
}

HRESULT STDMETHODCALLTYPE counting_bridge::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown)) {
    *out = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE counting_bridge::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

// The bridge lives as long as the host; dropping to zero only means nobody else holds it.
ULONG STDMETHODCALLTYPE counting_bridge::Release() {
  return static_cast<ULONG>(InterlockedDecrement(&references_));
}
