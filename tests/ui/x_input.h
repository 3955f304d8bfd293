// Real input through the X server: xdotool, started as a Unix program (Wine runs a Unix executable
// named by its path). It reaches Wine's windows as a user's keys and clicks do, through X focus and
// Wine's keyboard and mouse handling. Wine cannot wait on a Unix process, so callers wait for the
// effect of the input instead.
#pragma once
#include <windows.h>

#include <string>

namespace ui_fixture {

// Runs "xdotool <arguments>"; false when it could not be started.
inline bool xdotool(const std::string& arguments) {
  std::string command = "/usr/bin/xdotool " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// Gives the X focus to the top-level window titled exactly title, clicks the centre of the window
// control (screen coordinates), then presses key.
inline bool click_then_press(const char* title, HWND control, const char* key) {
  RECT r;
  if (!GetWindowRect(control, &r)) return false;
  const POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  return xdotool(std::string("search --onlyvisible --name \"^") + title + "$\" windowfocus --sync mousemove --sync " +
                 std::to_string(centre.x) + " " + std::to_string(centre.y) + " click 1 sleep 0.3 key " + key);
}

}  // namespace ui_fixture
