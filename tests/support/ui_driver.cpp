#include "tests/support/ui_driver.h"

#include <cstring>

namespace ui_driver {

namespace {
constexpr DWORD kPollStep = 20;
// Time for injected input to travel through the queues before the next step looks at its effect.
constexpr DWORD kInputSettle = 60;

struct search {
  const char* class_name;
  const char* text;
  int id;  // -1: any
  HWND found;
};

bool matches(HWND window, const search& s) {
  if (!IsWindowVisible(window)) return false;
  if (s.id != -1 && GetDlgCtrlID(window) != s.id) return false;
  char buffer[256];
  if (s.class_name && (!GetClassNameA(window, buffer, sizeof(buffer)) || _stricmp(buffer, s.class_name) != 0))
    return false;
  return !s.text || window_text(window) == s.text;
}

BOOL CALLBACK match_top_level(HWND window, LPARAM context) {
  auto* s = reinterpret_cast<search*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !matches(window, *s)) return TRUE;
  s->found = window;
  return FALSE;
}

BOOL CALLBACK match_child(HWND window, LPARAM context) {
  auto* s = reinterpret_cast<search*>(context);
  if (!matches(window, *s)) return TRUE;
  s->found = window;
  return FALSE;
}

HWND find(HWND parent, search s, DWORD timeout_ms) {
  wait_until(
      [&] {
        s.found = nullptr;
        if (parent)
          EnumChildWindows(parent, match_child, reinterpret_cast<LPARAM>(&s));
        else
          EnumWindows(match_top_level, reinterpret_cast<LPARAM>(&s));
        return s.found != nullptr;
      },
      timeout_ms);
  return s.found;
}

bool send(std::vector<INPUT>& inputs) {
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  Sleep(kInputSettle);
  return sent == inputs.size();
}

INPUT key(WORD virtual_key, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = virtual_key;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtual_key, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

INPUT mouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = dx;
  in.mi.dy = dy;
  in.mi.dwFlags = flags;
  return in;
}

// Absolute coordinates run from 0 to 65535 over the primary screen; rounding up maps back onto the
// same pixel.
LONG normalised(LONG pixel, int extent) {
  return static_cast<LONG>((static_cast<long long>(pixel) * 65536 + extent - 1) / extent);
}
}  // namespace

bool wait_until(const std::function<bool()>& pred, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (GetTickCount() - start >= timeout_ms) return false;
    Sleep(kPollStep);
  }
}

HWND find_window(const char* class_name, const char* title, DWORD timeout_ms) {
  return find(nullptr, search{class_name, title, -1, nullptr}, timeout_ms);
}

HWND find_control(HWND parent, int id, DWORD timeout_ms) {
  return find(parent, search{nullptr, nullptr, id, nullptr}, timeout_ms);
}

HWND find_child(HWND parent, const char* class_name, const char* text, DWORD timeout_ms) {
  return find(parent, search{class_name, text, -1, nullptr}, timeout_ms);
}

bool bring_to_front(HWND window) {
  HWND top = GetAncestor(window, GA_ROOT);
  if (!top) return false;
  if (GetForegroundWindow() == top) return true;
  SetForegroundWindow(top);
  return wait_until([top] { return GetForegroundWindow() == top; }, 2000);
}

// The pointer is moved first and the button pressed only once the system has it there: under Wine a
// move may be overtaken by the display's own idea of where the pointer is.
bool click_at(POINT screen) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  if (width <= 0 || height <= 0) return false;
  const bool there = wait_until(
      [&] {
        std::vector<INPUT> move = {mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, normalised(screen.x, width),
                                         normalised(screen.y, height))};
        send(move);
        POINT now;
        return GetCursorPos(&now) && now.x == screen.x && now.y == screen.y;
      },
      2000);
  std::vector<INPUT> press = {mouse(MOUSEEVENTF_LEFTDOWN), mouse(MOUSEEVENTF_LEFTUP)};
  return there && send(press);
}

bool click(HWND window) {
  RECT r;
  if (!IsWindow(window) || !GetWindowRect(window, &r)) return false;
  bring_to_front(window);
  return click_at(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

bool press_key(WORD virtual_key, bool ctrl, bool shift, bool alt) {
  std::vector<INPUT> inputs;
  const WORD modifiers[] = {static_cast<WORD>(ctrl ? VK_CONTROL : 0), static_cast<WORD>(shift ? VK_SHIFT : 0),
                            static_cast<WORD>(alt ? VK_MENU : 0)};
  for (WORD m : modifiers)
    if (m) inputs.push_back(key(m, false));
  inputs.push_back(key(virtual_key, false));
  inputs.push_back(key(virtual_key, true));
  for (int i = 2; i >= 0; --i)
    if (modifiers[i]) inputs.push_back(key(modifiers[i], true));
  return send(inputs);
}

bool type_text(const char* text) {
  for (const char* p = text; *p; ++p) {
    const SHORT code = VkKeyScanA(*p);
    if (code == -1) return false;
    if (!press_key(LOBYTE(code), (HIBYTE(code) & 2) != 0, (HIBYTE(code) & 1) != 0)) return false;
  }
  return true;
}

bool wait_closed(HWND window, DWORD timeout_ms) {
  return wait_until([window] { return !IsWindow(window); }, timeout_ms);
}

std::string window_text(HWND window) {
  char buffer[512] = {};
  if (!IsWindow(window)) return "";
  GetWindowTextA(window, buffer, sizeof(buffer));
  return buffer;
}

driver::driver(std::function<void(driver&)> steps)
    : steps_(std::move(steps)), test_thread_(GetCurrentThreadId()) {
  InitializeCriticalSection(&lock_);
  thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
  if (!thread_) fail("the driving thread could not start");
}

driver::~driver() {
  join();
  DeleteCriticalSection(&lock_);
}

void driver::join() {
  if (!thread_) return;
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

void driver::fail(const std::string& what) {
  EnterCriticalSection(&lock_);
  problems_.push_back(what);
  LeaveCriticalSection(&lock_);
}

bool driver::check(bool cond, const std::string& what) {
  if (!cond) fail(what);
  return cond;
}

DWORD WINAPI driver::run(void* self) {
  auto* d = static_cast<driver*>(self);
  d->steps_(*d);
  d->close_leftovers();
  return 0;
}

// Dialogs and sheets only: the test's own windows (a parent, say) outlive the drive.
static BOOL CALLBACK first_visible_dialog(HWND window, LPARAM context) {
  char name[16];
  if (!IsWindowVisible(window) || !GetClassNameA(window, name, sizeof(name)) || strcmp(name, "#32770") != 0)
    return TRUE;
  *reinterpret_cast<HWND*>(context) = window;
  return FALSE;
}

void driver::close_leftovers() {
  for (int round = 0; round < 50; ++round) {
    HWND left = nullptr;
    EnumThreadWindows(test_thread_, first_visible_dialog, reinterpret_cast<LPARAM>(&left));
    if (!left) return;
    if (round == 0) fail("a window was left open: \"" + window_text(left) + "\"");
    PostMessageA(left, WM_CLOSE, 0, 0);
    Sleep(100);
  }
}

}  // namespace ui_driver
