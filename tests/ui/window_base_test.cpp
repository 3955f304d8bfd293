// The window framework on real windows: binding, routing against expected message sequences,
// reflection, nested dispatch, deletion when the window goes, subclassing a foreign control, the focus
// message to the top-level window and creation rectangles.
#include "ui/framework/window_base.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/framework/window_registry.h"

namespace {

typedef std::vector<std::string> event_log;

// Records the calls this test cares about as "name:what", then does what the base class does.
class recorder : public window_base {
 public:
  recorder(const char* name, event_log* log, bool* deleted = nullptr)
      : name_(name), log_(log), deleted_(deleted) {}
  ~recorder() override {
    if (deleted_) *deleted_ = true;
  }
  void note(const std::string& what) {
    if (log_) log_->push_back(name_ + ":" + what);
  }
  void on_attached() override { note("attached"); }
  LRESULT on_close() override {
    note("close depth " + std::to_string(dispatch_depth()));
    if (destroy_on_close) DestroyWindow(window());
    return 0;
  }
  LRESULT on_nc_destroy() override {
    note("nc_destroy depth " + std::to_string(dispatch_depth()));
    return window_base::on_nc_destroy();
  }
  LRESULT on_command(WPARAM wparam) override {
    note("command " + std::to_string(wparam) + " depth " + std::to_string(dispatch_depth()));
    if (command_hook) command_hook(this, wparam);
    return window_base::on_command(wparam);
  }
  LRESULT on_set_focus(HWND previous) override {
    note("set_focus");
    return window_base::on_set_focus(previous);
  }
  LRESULT on_child_focus(HWND focused) override {
    char text[64];
    GetWindowTextA(focused, text, sizeof(text));
    note(std::string("child_focus ") + text);
    return 0;
  }
  LRESULT on_get_dlg_code(LPARAM message) override {
    note("get_dlg_code");
    return window_base::on_get_dlg_code(message);
  }
  LRESULT on_reflected_message(const MSG* parent, int* handled) override {
    note("reflected " + std::to_string(parent->message) + " " + std::to_string(parent->wParam));
    if (reflect_answer_handled) *handled = 1;
    if (parent->message == WM_NOTIFY) window_base::on_reflected_message(parent, handled);
    return reflect_answer;
  }
  LRESULT on_reflected_notify(NMHDR* header, int*) override {
    note("reflected_notify " + std::to_string(static_cast<int>(header->code)));
    return 0;
  }

  bool destroy_on_close = false;
  void (*command_hook)(recorder*, WPARAM) = nullptr;
  LRESULT reflect_answer = 0;
  bool reflect_answer_handled = false;
  std::string name_;

 private:
  event_log* log_;
  bool* deleted_;
};

RECT rect_of(int left, int top, int right, int bottom) { return RECT{left, top, right, bottom}; }

// A top-level framework window, destroyed at the end of the scope.
struct top_window {
  recorder object;
  explicit top_window(event_log* log, DWORD style = WS_OVERLAPPEDWINDOW) : object("top", log) {
    EXPECT_TRUE(object.create(style, rect_of(40, 40, 440, 340), "top", nullptr, nullptr, nullptr, 0));
  }
  ~top_window() {
    if (object.window()) DestroyWindow(object.window());
  }
  HWND window() const { return object.window(); }
};

TEST(WindowBase, FrameworkClassBindsAtCreationAndUnbindsAtTheEnd) {
  event_log log;
  HWND window;
  {
    top_window top(&log);
    window = top.window();
    ASSERT_NE(window, nullptr);
    char name[64];
    GetClassNameA(window, name, sizeof(name));
    EXPECT_STREQ(name, kFrameworkClassName);
    EXPECT_FALSE(top.object.subclassed());
    EXPECT_EQ(windows_bound().find(window), &top.object);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(window_thunk));
    // Default processing of a framework window is DefWindowProcA's: it answers WM_NCHITTEST.
    EXPECT_EQ(SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(240, 50)), HTCAPTION);
    EXPECT_EQ(log, event_log{"top:attached"}) << "on_attached runs once, from WM_CREATE";
  }
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(windows_bound().find(window), nullptr);
  EXPECT_EQ(window_thunk(window, WM_NCHITTEST, 0, 0), 0) << "an unbound window answers 0";
}

TEST(WindowBase, CreationRectangleWidthAndDefaultSize) {
  const int kDefault = CW_USEDEFAULT;
  struct row {
    RECT rect;
  } rows[] = {{{10, 20, 210, 170}}, {{10, 20, kDefault, kDefault}}, {{-30, 5, 270, 145}}};
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    const RECT& r = rows[i].rect;
    recorder object("w", nullptr);
    ASSERT_TRUE(object.create(WS_OVERLAPPEDWINDOW, r, "w", nullptr, nullptr, nullptr, 0)) << i;
    // The system's answer for the same request made directly.
    HWND direct = CreateWindowExA(0, "static", "d", WS_OVERLAPPEDWINDOW, r.left, r.top,
                                  r.right == kDefault ? kDefault : r.right - r.left,
                                  r.bottom == kDefault ? kDefault : r.bottom - r.top, nullptr, nullptr,
                                  nullptr, nullptr);
    RECT got, want;
    GetWindowRect(object.window(), &got);
    GetWindowRect(direct, &want);
    EXPECT_EQ(got.right - got.left, want.right - want.left) << "row " << i;
    EXPECT_EQ(got.bottom - got.top, want.bottom - want.top) << "row " << i;
    EXPECT_GT(got.right - got.left, 0) << "row " << i;
    if (r.right != kDefault) { EXPECT_EQ(got.right - got.left, r.right - r.left) << "row " << i; }
    DestroyWindow(direct);
    DestroyWindow(object.window());
  }
}

TEST(WindowBase, ReflectionToTheControlThatSentIt) {
  event_log log;
  top_window top(&log);
  recorder child("child", &log);
  ASSERT_TRUE(
      child.create(WS_CHILD | WS_VISIBLE, rect_of(5, 5, 105, 35), "child", top.window(), 100u, nullptr));
  struct row {
    UINT message;
    bool handled;
    LRESULT expected;
    event_log expected_log;
  } rows[] = {
      // A handled answer comes back; an unhandled one gives the parent's default processing (0 here),
      // never the child's answer.
      {WM_NOTIFY, true, 77, {"child:reflected 78 100", "child:reflected_notify -12"}},
      {WM_NOTIFY, false, 0, {"child:reflected 78 100", "child:reflected_notify -12"}},
      {WM_DRAWITEM, true, 77, {"child:reflected 43 100"}},
      {WM_DRAWITEM, false, 0, {"child:reflected 43 100"}},
      {WM_MEASUREITEM, true, 77, {"child:reflected 44 100"}},
      {WM_CTLCOLORBTN, true, 77, {"child:reflected 309 0"}},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    const row& r = rows[i];
    log.clear();
    child.reflect_answer = 55 + (r.handled ? 22 : 0);
    child.reflect_answer_handled = r.handled;
    NMHDR header = {child.window(), 100, static_cast<UINT>(-12)};  // NM_CUSTOMDRAW-like code
    DRAWITEMSTRUCT draw = {};
    draw.CtlID = 100;
    draw.hwndItem = child.window();
    MEASUREITEMSTRUCT measure = {};
    measure.CtlID = 100;
    WPARAM wparam = 100;
    LPARAM lparam = 0;
    if (r.message == WM_NOTIFY) lparam = reinterpret_cast<LPARAM>(&header);
    if (r.message == WM_DRAWITEM) lparam = reinterpret_cast<LPARAM>(&draw);
    if (r.message == WM_MEASUREITEM) lparam = reinterpret_cast<LPARAM>(&measure);
    if (r.message == WM_CTLCOLORBTN) {
      wparam = 0;
      lparam = reinterpret_cast<LPARAM>(child.window());
    }
    EXPECT_EQ(SendMessageA(top.window(), r.message, wparam, lparam), r.expected) << "row " << i;
    EXPECT_EQ(log, r.expected_log) << "row " << i;
  }
  // A notification naming no window is not reflected anywhere.
  log.clear();
  NMHDR orphan = {nullptr, 7, 1};
  EXPECT_EQ(SendMessageA(top.window(), WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&orphan)), 0);
  EXPECT_TRUE(log.empty());
}

TEST(WindowBase, NestedDispatchRestoresTheCurrentMessage) {
  event_log log;
  top_window top(&log);
  log.clear();
  top.object.command_hook = [](recorder* self, WPARAM wparam) {
    if (wparam != 1) return;
    SendMessageA(self->window(), WM_COMMAND, 2, 22);
    const MSG& now = self->current_message();
    self->note("after nested " + std::to_string(now.message) + " " + std::to_string(now.wParam) + " " +
               std::to_string(now.lParam) + " depth " + std::to_string(self->dispatch_depth()));
  };
  SendMessageA(top.window(), WM_COMMAND, 1, 11);
  EXPECT_EQ(log, (event_log{"top:command 1 depth 1", "top:command 2 depth 2",
                            "top:after nested 273 1 11 depth 1"}));
  EXPECT_EQ(top.object.dispatch_depth(), 0u);
}

TEST(WindowBase, DeletedAtTheOutermostDispatchOnlyWithTheFlag) {
  struct row {
    bool flag;
    bool nested;  // destroyed by its own WM_CLOSE handler inside a WM_COMMAND dispatch
    event_log expected;
  } rows[] = {
      {true, true, {"w:command 9 depth 1", "w:close depth 2", "w:nc_destroy depth 3", "w:alive after close"}},
      {false,
       true,
       {"w:command 9 depth 1", "w:close depth 2", "w:nc_destroy depth 3", "w:alive after close"}},
      {true, false, {"w:close depth 1", "w:nc_destroy depth 2"}},
      {false, false, {"w:close depth 1", "w:nc_destroy depth 2"}},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    event_log log;
    bool deleted = false;
    auto* object = new recorder("w", &log, &deleted);
    ASSERT_TRUE(
        object->create(WS_OVERLAPPEDWINDOW, rect_of(0, 0, 100, 100), "w", nullptr, nullptr, nullptr, 0));
    object->set_delete_when_destroyed(rows[i].flag);
    object->destroy_on_close = true;
    log.clear();
    HWND window = object->window();
    static bool* s_deleted;
    s_deleted = &deleted;
    object->command_hook = [](recorder* self, WPARAM) {
      SendMessageA(self->window(), WM_CLOSE, 0, 0);
      // Still inside the outer dispatch: the window is gone, the object must not be.
      if (!*s_deleted && !self->window() && self->dispatch_depth() == 1) self->note("alive after close");
    };
    if (rows[i].nested)
      SendMessageA(window, WM_COMMAND, 9, 0);
    else
      SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window)) << "row " << i;
    EXPECT_EQ(log, rows[i].expected) << "row " << i;
    EXPECT_EQ(deleted, rows[i].flag) << "row " << i;
    EXPECT_EQ(windows_bound().find(window), nullptr) << "row " << i;
    if (!deleted) {
      EXPECT_EQ(object->window(), nullptr) << "row " << i;
      delete object;
    }
  }
}

TEST(WindowBase, ForeignButtonIsSubclassedAndKeepsItsOwnProcessing) {
  event_log log;
  top_window top(&log);
  log.clear();
  recorder button("button", &log);
  ASSERT_TRUE(button.create(WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, rect_of(10, 10, 150, 30), "Tick",
                            top.window(), 101u, "button"));
  EXPECT_TRUE(button.subclassed());
  EXPECT_EQ(windows_bound().find(button.window()), &button);
  EXPECT_EQ(log, event_log{"button:attached"});
  // The button's own procedure answers, not DefWindowProcA (which knows no check state or dialog code).
  SendMessageA(button.window(), BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessageA(button.window(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_NE(SendMessageA(button.window(), WM_GETDLGCODE, 0, 0) & DLGC_BUTTON, 0);
  EXPECT_EQ(log, (event_log{"button:attached", "button:get_dlg_code"}));
  HWND handle = button.window();
  DestroyWindow(top.window());
  EXPECT_EQ(button.window(), nullptr) << "unbound at WM_NCDESTROY";
  EXPECT_EQ(windows_bound().find(handle), nullptr);
}

TEST(WindowBase, FocusInANestedWindowIsToldToTheTopLevelWindowFirst) {
  event_log log;
  top_window top(&log, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  recorder mid("mid", &log), leaf("leaf", &log), owned("owned", &log);
  ASSERT_TRUE(mid.create(WS_CHILD | WS_VISIBLE, rect_of(10, 10, 300, 200), "mid", top.window(), 1u, nullptr));
  ASSERT_TRUE(
      leaf.create(WS_CHILD | WS_VISIBLE, rect_of(10, 10, 100, 50), "leaf", mid.window(), 2u, nullptr));
  ASSERT_TRUE(owned.create(WS_POPUP | WS_VISIBLE | WS_CAPTION, rect_of(500, 100, 700, 200), "owned",
                           top.window(), nullptr, nullptr, 0));
  SetForegroundWindow(top.window());
  SetFocus(top.window());
  struct row {
    recorder* target;
    event_log expected;
  } rows[] = {
      {&leaf, {"top:child_focus leaf", "leaf:set_focus"}},
      {&mid, {"top:child_focus mid", "mid:set_focus"}},
      {&top.object, {"top:set_focus"}},
      // An owned pop-up is a top-level window of its own: its owner hears nothing.
      {&owned, {"owned:set_focus"}},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    log.clear();
    SetFocus(rows[i].target->window());
    ASSERT_EQ(GetFocus(), rows[i].target->window()) << "row " << i;
    event_log focus_events;
    for (const std::string& e : log)
      if (e.find("focus") != std::string::npos) focus_events.push_back(e);
    EXPECT_EQ(focus_events, rows[i].expected) << "row " << i;
  }
  DestroyWindow(owned.window());
}

}  // namespace
