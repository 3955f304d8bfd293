// The window framework: one object per native window, window messages turned into calls of virtual
// operations with decoded arguments, taking over (subclassing) windows the framework did not create,
// reflecting parent notifications back to the control that sent them, and deleting an object when its
// window is gone (only when its owner handed the object's lifetime to the window).
//
// The virtual operations are declared in a fixed order (the slot numbers in the comments); derived
// classes extend the table after slot 64. The first-level handlers answer with default_process unless
// their comment says otherwise. User-interface thread only: nothing here is synchronised.
#pragma once
#include <windows.h>
#include <shellapi.h>

// Sent by a parent to the child control a notification came from. wparam: address of the handled word
// (the child sets it nonzero when it answered); lparam: address of the parent's current message record.
constexpr UINT kReflectMessage = 2026;
// Sent to the top-level window when a window nested in it gets the focus. lparam: that window.
constexpr UINT kChildFocusMessage = 2027;
// Routed to a slot of its own; nothing in the framework sends it.
constexpr UINT kMessage1803 = 1803;

// Name of the framework's window class; windows created with it are bound at WM_NCCREATE.
extern const char kFrameworkClassName[];

class message_map {
 public:
  virtual ~message_map() = default;                                             // slot 0
  virtual LRESULT process_message(UINT message, WPARAM wparam, LPARAM lparam);  // slot 1: returns 0
};

class window_base : public message_map {
 public:
  window_base();
  // Does not destroy the window.
  ~window_base() override;
  window_base(const window_base&) = delete;
  window_base& operator=(const window_base&) = delete;

  // 1: the dispatcher.
  LRESULT process_message(UINT message, WPARAM wparam, LPARAM lparam) override;
  // 2: the window-procedure index for Get/SetWindowLongPtrA.
  virtual int wndproc_index();
  // 3: binds the object to the window and installs the framework's window procedure. created: the
  // window came from the framework class (default processing is then the default procedure, else the
  // window's own procedure).
  virtual bool subclass_window(HWND window, bool created);
  // 4: puts the previous procedure back, optionally passing it the current message, and unbinds.
  virtual LRESULT unsubclass_window(bool call_previous);
  // 5: creates the window (class null: the framework class) and binds the object to it. A rectangle
  // right (bottom) of CW_USEDEFAULT gives the default width (height).
  virtual bool create(DWORD style, const RECT& rect, const char* title, HWND parent, HMENU menu,
                      const char* class_name, DWORD ex_style);
  // 6: a child with a control id and no extended style.
  virtual bool create(DWORD style, const RECT& rect, const char* title, HWND parent, UINT id,
                      const char* class_name);
  // 7: as slot 5, with the menu given as a control id.
  virtual bool create(DWORD style, const RECT& rect, const char* title, HWND parent, UINT_PTR id,
                      const char* class_name, DWORD ex_style);
  // 8: called once the object is bound (by subclassing, or at WM_CREATE). Does nothing.
  virtual void on_attached();
  virtual LRESULT on_create(CREATESTRUCTA* create);  // 9: on_attached, then default
  virtual LRESULT on_close();                        // 10
  // 11: default when a previous procedure is recorded; otherwise validates by BeginPaint/EndPaint, 1.
  virtual LRESULT on_paint();
  virtual LRESULT on_destroy();                                         // 12
  virtual LRESULT on_size(int width, int height, WPARAM size_type);     // 13
  virtual LRESULT on_show_window(bool shown, UINT status);              // 14
  virtual LRESULT on_init_dialog();                                     // 15: returns 0
  virtual LRESULT on_timer(WPARAM timer_id);                            // 16
  virtual LRESULT on_command(WPARAM wparam);                            // 17: id and notification code
  virtual LRESULT on_sys_command(UINT command);                         // 18
  virtual LRESULT on_mouse_move(POINT point);                           // 19
  virtual LRESULT on_lbutton_down(POINT point);                         // 20
  virtual LRESULT on_lbutton_up(POINT point);                           // 21
  virtual LRESULT on_rbutton_down(POINT point);                         // 22
  virtual LRESULT on_rbutton_up(POINT point);                           // 23
  virtual LRESULT on_key_down(WPARAM key);                              // 24
  virtual LRESULT on_key_up(WPARAM key);                                // 25
  virtual LRESULT on_char(WPARAM code);                                 // 26
  virtual LRESULT on_get_dlg_code(LPARAM message);                      // 27
  virtual LRESULT on_notify(WPARAM control_id, NMHDR* header);          // 28: reflect
  virtual LRESULT on_measure_item(WPARAM wparam, LPARAM lparam);        // 29: reflect
  virtual LRESULT on_draw_item(WPARAM wparam, LPARAM lparam);           // 30: reflect
  virtual LRESULT on_compare_item(WPARAM wparam, LPARAM lparam);        // 31: reflect
  virtual LRESULT on_set_focus(HWND previous);                          // 32
  virtual LRESULT on_kill_focus(HWND next);                             // 33
  virtual LRESULT on_erase_background(HDC dc);                          // 34
  virtual LRESULT on_hscroll(int code, int position, HWND scroll_bar);  // 35
  virtual LRESULT on_vscroll(int code, int position, HWND scroll_bar);  // 36
  virtual LRESULT on_set_cursor(UINT mouse_message, int hit_test);      // 37
  virtual LRESULT on_activate(UINT state, HWND other);                  // 38
  // 39: the previous procedure for a subclassed window, else the default procedure, with the current
  // message.
  virtual LRESULT default_process();
  // 40: sends kReflectMessage to the control the current message came from; its answer when it set
  // the handled word, else default_process.
  virtual LRESULT reflect_to_child();
  // 41: the child side of kReflectMessage; WM_NOTIFY goes on to on_reflected_notify, others give 0.
  virtual LRESULT on_reflected_message(const MSG* parent_message, int* handled);
  virtual LRESULT on_reflected_notify(NMHDR* header, int* handled);        // 42: returns 0
  virtual LRESULT on_message_1803();                                       // 43: returns 0
  virtual LRESULT on_child_focus(HWND focused);                            // 44: returns 0
  virtual LRESULT on_lbutton_dblclk(POINT point);                          // 45
  virtual LRESULT on_rbutton_dblclk(POINT point);                          // 46
  virtual LRESULT on_context_menu(POINT point);                            // 47
  virtual LRESULT on_cancel_mode();                                        // 48
  virtual LRESULT on_init_menu_popup(HMENU menu, UINT position_and_flag);  // 49
  virtual LRESULT on_enable(bool enabled);                                 // 50
  virtual LRESULT on_setting_change(LPARAM lparam, WPARAM wparam);         // 51
  virtual LRESULT on_mouse_activate(int hit_test, UINT mouse_message);     // 52
  virtual LRESULT on_mouse_leave();                                        // 53
  virtual LRESULT on_nc_calc_size(LPARAM lparam, bool calc_valid_rects);   // 54
  virtual LRESULT on_get_min_max_info(LPARAM lparam);                      // 55
  virtual LRESULT on_drop_files(HDROP drop);                               // 56
  virtual LRESULT on_nc_hit_test(POINT point);                             // 57
  virtual LRESULT on_nc_lbutton_down(POINT point);                         // 58
  virtual LRESULT on_nc_lbutton_up(POINT point);                           // 59
  virtual LRESULT on_nc_mouse_move(POINT point);                           // 60
  virtual LRESULT on_nc_paint(HRGN region);                                // 61
  virtual LRESULT on_nc_destroy();                                         // 62: unsubclass_window (true)
  virtual LRESULT on_help(HELPINFO* info);                                 // 63
  virtual LRESULT on_ctl_color(UINT message, HWND control);                // 64: reflect

  HWND window() const { return window_; }
  const MSG& current_message() const { return current_; }
  unsigned dispatch_depth() const { return depth_; }
  bool subclassed() const { return subclassed_ != 0; }
  WNDPROC previous_procedure() const { return previous_; }
  // Owners that hand the object's lifetime to its window set this after subclass_window or create.
  void set_delete_when_destroyed(bool on) { delete_when_destroyed_ = on ? 1 : 0; }
  bool delete_when_destroyed() const { return delete_when_destroyed_ != 0; }

 protected:
  void set_default_procedure(WNDPROC procedure) { default_procedure_ = procedure; }

 private:
  LRESULT route(UINT message, WPARAM wparam, LPARAM lparam);
  void notify_top_level_of_focus();

  HWND window_ = nullptr;
  MSG current_ = {};
  unsigned depth_ = 0;
  int delete_when_destroyed_ = 0;
  int subclassed_ = 0;
  WNDPROC previous_ = nullptr;
  WNDPROC default_procedure_ = nullptr;
};

// Registers the framework class on first use; null when the registration failed (tried again next
// time).
const char* register_framework_class();
// The window procedure of every bound window.
LRESULT CALLBACK window_thunk(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
