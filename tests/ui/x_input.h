// Real input through the X server: xdotool, started as a Unix program (Wine runs a Unix executable
// named by its path). It reaches Wine's windows as a user's keys and clicks do, through X focus and
// Wine's keyboard and mouse handling. Wine cannot wait on a Unix process, so callers wait for the
// effect of the input instead.
#pragma once
#include <windows.h>

#include <string>

namespace ui_fixture {

// Runs the shell script through /bin/sh; false when it could not be started. The script is one
// argument of the command line, so it must not hold double quotes.
inline bool x_input_script(const std::string& script) {
  std::string command = "/bin/sh -c \"" + script + "\"";
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
// control (screen coordinates), then presses key. The click and the key are a second xdotool run:
// after a search xdotool would send them as events to the window found, and a window that Wine has
// replaced meanwhile makes it die on BadWindow. Without one they are device input (XTEST), which
// goes where the pointer and the focus are, as a user's does.
inline bool click_then_press(const char* title, HWND control, const char* key) {
  RECT r;
  if (!GetWindowRect(control, &r)) return false;
  const POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  return x_input_script(std::string("/usr/bin/xdotool search --onlyvisible --name '^") + title +
                        "$' windowfocus --sync; /usr/bin/xdotool mousemove --sync " + std::to_string(centre.x) +
                        " " + std::to_string(centre.y) + " click 1 sleep 0.3 key " + key);
}

}  // namespace ui_fixture
