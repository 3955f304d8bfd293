// Watches from a second thread for the message box that the test's own thread is about to show, reads
// its caption and text, and closes it with its OK button, as a user would.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace ui_fixture {

inline std::string window_text(HWND window) {
  char buffer[1024] = {};
  GetWindowTextA(window, buffer, sizeof(buffer));
  return buffer;
}

// What a message box said; seen is false when none appeared.
struct message_box_seen {
  bool seen = false;
  std::string caption, text;
};

// A shown dialog-class window of the thread whose caption is not skip_title (the test's own dialog),
// or null.
inline HWND find_message_box(DWORD thread, const char* skip_title = nullptr) {
  struct search {
    const char* skip;
    HWND found;
  } s = {skip_title, nullptr};
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<search*>(p);
        char name[16] = {};
        GetClassNameA(window, name, sizeof(name));
        if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
        if (s->skip && window_text(window) == s->skip) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// Waits up to timeout_ms (or until stopped) for the thread's message box, reads it and clicks OK.
inline message_box_seen close_message_box(DWORD thread, DWORD timeout_ms, const char* skip_title = nullptr,
                                          const std::atomic<bool>* stopped = nullptr) {
  constexpr int kTextId = 0xFFFF;  // the static holding a message box's text
  message_box_seen out;
  for (DWORD waited = 0; waited < timeout_ms && !(stopped && *stopped); waited += 20) {
    if (HWND box = find_message_box(thread, skip_title)) {
      out.seen = true;
      out.caption = window_text(box);
      out.text = window_text(GetDlgItem(box, kTextId));
      SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
      return out;
    }
    Sleep(20);
  }
  return out;
}

class message_box_watcher {
 public:
  // Watches for a message box of the calling thread for up to timeout_ms.
  explicit message_box_watcher(DWORD timeout_ms = 10000)
      : owner_(GetCurrentThreadId()),
        thread_([this, timeout_ms] { result_ = close_message_box(owner_, timeout_ms, nullptr, &stopped_); }) {
  }
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
  bool seen() const { return result_.seen; }
  const std::string& caption() const { return result_.caption; }
  const std::string& text() const { return result_.text; }

 private:
  DWORD owner_;
  std::atomic<bool> stopped_{false};
  message_box_seen result_;
  std::thread thread_;
};

}  // namespace ui_fixture
