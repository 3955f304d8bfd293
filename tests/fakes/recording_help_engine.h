// Control and record of the test-only help engine: an hhctrl.ocx whose HtmlHelpA records its
// arguments (copying the popup record's strings during the call) and answers as the test says. Wine's
// own engine does not show text popups (it answers 0 to HH_DISPLAY_TEXT_POPUP), so a test of a popup
// request puts this one beside the test program.
#pragma once
#include <windows.h>

struct help_call {
  HWND window;
  char file[512];
  UINT command;
  // The popup record, when the command is HH_DISPLAY_TEXT_POPUP.
  int record_size;
  HINSTANCE instance;
  UINT string_id;
  char popup_text[512];
  POINT point;
  COLORREF foreground, background;
  RECT margins;
  char font[256];
};

extern "C" {
// Number of HtmlHelpA calls since the engine was loaded; the last one is copied out when there was one.
typedef int(WINAPI* help_calls_fn)(help_call* last);
// The window handle HtmlHelpA answers with (null: nothing shown).
typedef void(WINAPI* help_set_answer_fn)(HWND answer);
}
