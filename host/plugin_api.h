// Loading a plug-in module the way the mail client does: by path, resolving all twelve exports.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <string>

typedef int(WINAPI* host_data_callback)(int msid, int request, void* buffer, int size);

struct plugin_module {
  HMODULE module = nullptr;
  int(WINAPI* Initialize)() = nullptr;
  void(WINAPI* Finalize)() = nullptr;
  int(WINAPI* GetName)(char*, int) = nullptr;
  int(WINAPI* GetVersion)(char*, int) = nullptr;
  int(WINAPI* GetStatus)() = nullptr;
  int(WINAPI* GetInfo)(char*, int) = nullptr;
  int(WINAPI* NeedConfig)() = nullptr;
  int(WINAPI* Setup)() = nullptr;
  int(WINAPI* NeedCOM)() = nullptr;
  int(WINAPI* GetSpamScore)(int, host_data_callback) = nullptr;
  int(WINAPI* FeedSpam)(int, int, host_data_callback) = nullptr;
  int(WINAPI* SetBridge)(IUnknown*) = nullptr;
};

// Loads the module and resolves every export. On failure the module is unloaded again and error
// names what was missing.
bool load_plugin(const char* path, plugin_module& plugin, std::string& error);
void unload_plugin(plugin_module& plugin);

// Reads a text the way the client does: length first, then the text into a buffer of that size.
std::string plugin_text(int(WINAPI* get)(char*, int));

// The host's bridge object: a COM object that counts its references.
class counting_bridge : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  ULONG references() const { return references_; }

 private:
  volatile LONG references_ = 1;  // the host's own reference
};
