// Watches from a second thread for the message box that the test's own thread is about to show, reads
// its caption and text, and closes it with its OK button, as a user would.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace ui_fixture {

class message_box_watcher {
 public:
  // Watches for a message box of the calling thread for up to timeout_ms.
  explicit message_box_watcher(DWORD timeout_ms = 10000)
      : owner_(GetCurrentThreadId()), timeout_ms_(timeout_ms), thread_([this] { watch(); }) {}
  ~message_box_watcher() { finish(); }
  message_box_watcher(const message_box_watcher&) = delete;
  message_box_watcher& operator=(const message_box_watcher&) = delete;

  // Waits for the watcher to end; then seen(), caption() and text() tell what it found.
  void finish() {
    if (thread_.joinable()) thread_.join();
  }
  // Ends the watch at once: for a call that has returned, a box it showed was already seen and closed.
  void stop() {
    stopped_ = true;
    finish();
  }
  bool seen() const { return seen_; }
  const std::string& caption() const { return caption_; }
  const std::string& text() const { return text_; }

 private:
  static constexpr int kTextId = 0xFFFF;  // the static holding a message box's text

  static BOOL CALLBACK find_box(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof(name));
    if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }

  void watch() {
    for (DWORD waited = 0; waited < timeout_ms_ && !stopped_; waited += 20) {
      HWND box = nullptr;
      EnumThreadWindows(owner_, find_box, reinterpret_cast<LPARAM>(&box));
      if (box) {
        caption_ = window_text(box);
        text_ = window_text(GetDlgItem(box, kTextId));
        seen_ = true;
        SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        return;
      }
      Sleep(20);
    }
  }

  static std::string window_text(HWND window) {
    char buffer[1024] = {};
    GetWindowTextA(window, buffer, sizeof(buffer));
    return buffer;
  }

  DWORD owner_;
  DWORD timeout_ms_;
  std::atomic<bool> stopped_{false};
  bool seen_ = false;
  std::string caption_, text_;
  std::thread thread_;
};

}  // namespace ui_fixture
