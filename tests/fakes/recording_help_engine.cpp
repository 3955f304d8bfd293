#include "tests/fakes/recording_help_engine.h"

#include <htmlhelp.h>

#include <cstring>

namespace {
int g_calls = 0;
help_call g_last = {};
HWND g_answer = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));

void copy_string(char* to, size_t size, const char* from) {
  if (!from) from = "(null)";
  std::strncpy(to, from, size - 1);
  to[size - 1] = '\0';
}
}  // namespace

extern "C" {

HWND WINAPI HtmlHelpA(HWND window, LPCSTR file, UINT command, DWORD_PTR data) {
  help_call call = {};
  call.window = window;
  copy_string(call.file, sizeof(call.file), file);
  call.command = command;
  const auto* popup = reinterpret_cast<const HH_POPUP*>(data);
  if (command == HH_DISPLAY_TEXT_POPUP && popup) {
    call.record_size = popup->cbStruct;
    call.instance = popup->hinst;
    call.string_id = popup->idString;
    copy_string(call.popup_text, sizeof(call.popup_text), popup->pszText);
    call.point = popup->pt;
    call.foreground = popup->clrForeground;
    call.background = popup->clrBackground;
    call.margins = popup->rcMargins;
    copy_string(call.font, sizeof(call.font), popup->pszFont);
  }
  g_last = call;
  ++g_calls;
  return g_answer;
}

int WINAPI help_calls(help_call* last) {
  if (last && g_calls) *last = g_last;
  return g_calls;
}

void WINAPI help_set_answer(HWND answer) { g_answer = answer; }
}
