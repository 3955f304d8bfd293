#include "plugin/client_plugin.h"

#include "log/log.h"
#include "ui/framework/gui_module.h"

tb_plugin* g_instance = nullptr;

client_plugin::client_plugin() {
  InitializeCriticalSection(&lock_);
  RLOG("[+] client_plugin created");
  initialized_ = false;
}

client_plugin::~client_plugin() {
  client_plugin::deinit_client();
  RLOG("[+] client_plugin destroyed");
  DeleteCriticalSection(&lock_);
}

int client_plugin::mark_as_spam() {
  MessageBoxA(nullptr, "mark as spam", "command", MB_OK);
  return 0;
}

int client_plugin::mark_as_non_spam() {
  MessageBoxA(nullptr, "mark as non-spam", "command", MB_OK);
  return 0;
}

void client_plugin::OnInitComplete() { RLOG("[i] OnInitComplete"); }

namespace {
BOOL CALLBACK first_visible(HWND window, LPARAM found) {
  if (!IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}
}  // namespace

HWND client_plugin::owner_window() {
  HWND window = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), first_visible, reinterpret_cast<LPARAM>(&window));
  while (window && GetParent(window)) window = GetParent(window);
  return window;
}

HWND tb_plugin::owner_window() { return GetActiveWindow(); }
