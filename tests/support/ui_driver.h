// Driving real windows as a user would, from a second thread while the test thread runs a modal
// dialog or sheet: find a window or control (waiting for it to appear), click it, type, press keys,
// wait for it to go. Input is injected with SendInput, so it reaches the windows through the system's
// input queue like keys and clicks of the hardware (focus, activation, hit testing, default buttons),
// not as messages posted to one window.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ui_driver {

constexpr DWORD kTimeout = 10000;

// Polls pred until it holds; false when timeout_ms passed first.
bool wait_until(const std::function<bool()>& pred, DWORD timeout_ms = kTimeout);

// A visible top-level window of this process with this class and title (null: any), or null after
// the timeout.
HWND find_window(const char* class_name, const char* title, DWORD timeout_ms = kTimeout);
// A visible descendant of parent with this control id, or null after the timeout.
HWND find_control(HWND parent, int id, DWORD timeout_ms = kTimeout);
// A visible descendant of parent with this class and text (null: any), or null after the timeout.
HWND find_child(HWND parent, const char* class_name, const char* text, DWORD timeout_ms = kTimeout);

// Makes the window's top-level window the foreground window, so that keys reach it.
bool bring_to_front(HWND window);
// A left click at a point on the screen, or at the centre of a window (which is brought to front).
bool click_at(POINT screen);
bool click(HWND window);
// A key with optional modifiers held around it; keys go to the foreground window's focus.
bool press_key(WORD virtual_key, bool ctrl = false, bool shift = false, bool alt = false);
// Each character as the key (with shift) that types it in the current layout.
bool type_text(const char* text);
// Waits for the window to be destroyed.
bool wait_closed(HWND window, DWORD timeout_ms = kTimeout);

// Text of a window, for checks.
std::string window_text(HWND window);

// Runs steps on a second thread. When they are done (or failed), any dialog or sheet that the test
// thread still shows is closed with WM_CLOSE, so that a failed drive never leaves the test hanging in a
// modal loop. Steps report what went wrong through fail(); the test thread reads problems() after
// join().
class driver {
 public:
  explicit driver(std::function<void(driver&)> steps);
  ~driver();
  driver(const driver&) = delete;
  driver& operator=(const driver&) = delete;

  // Waits for the thread to end.
  void join();
  void fail(const std::string& what);
  // Checks cond; records what when it is false. Returns cond.
  bool check(bool cond, const std::string& what);
  const std::vector<std::string>& problems() const { return problems_; }

 private:
  static DWORD WINAPI run(void* self);
  void close_leftovers();

  std::function<void(driver&)> steps_;
  DWORD test_thread_;
  HANDLE thread_ = nullptr;
  CRITICAL_SECTION lock_;
  std::vector<std::string> problems_;
};

}  // namespace ui_driver
