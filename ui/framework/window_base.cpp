#include "ui/framework/window_base.h"

#include "ui/framework/activation_context.h"
#include "ui/framework/window_registry.h"

const char kFrameworkClassName[] = "defwindowclass_amd64";

namespace {
constexpr int kWndProcIndex = -4;  // GWLP_WNDPROC
constexpr UINT kFirstCtlColor = WM_CTLCOLORMSGBOX;
constexpr UINT kLastCtlColor = WM_CTLCOLORSTATIC;

bool g_class_registered = false;

POINT point_of(LPARAM lparam) {
  return POINT{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
}

// A plug-in may be unloaded and loaded again by its host: a class left behind would point into the
// old image and make every later registration fail.
struct framework_class_holder {
  ~framework_class_holder() {
    if (g_class_registered) UnregisterClassA(kFrameworkClassName, framework_module_instance());
    g_class_registered = false;
  }
};

// Binds the object named by the creation record at WM_NCCREATE; from then on the thunk is the
// window's procedure. A window of the class made without an object is refused.
LRESULT CALLBACK framework_class_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_NCCREATE) return 0;
  auto* object = static_cast<window_base*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
  if (!object || !object->subclass_window(window, true)) return 0;
  return object->process_message(WM_NCCREATE, wparam, lparam);
}
}  // namespace

const char* register_framework_class() {
  if (g_class_registered) return kFrameworkClassName;
  static framework_class_holder holder;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = framework_class_procedure;
  wc.hInstance = framework_module_instance();
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.lpszClassName = kFrameworkClassName;
  ATOM atom;
  {
    activation_scope scope;
    atom = RegisterClassA(&wc);
  }
  if (!atom) return nullptr;  // the flag stays clear: the next creation tries again
  g_class_registered = true;
  return kFrameworkClassName;
}

LRESULT CALLBACK window_thunk(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  window_base* object = windows_bound().find(window);
  return object ? object->process_message(message, wparam, lparam) : 0;
}

LRESULT message_map::process_message(UINT, WPARAM, LPARAM) { return 0; }

window_base::window_base() : default_procedure_(DefWindowProcA) {}

window_base::~window_base() = default;

int window_base::wndproc_index() { return kWndProcIndex; }

bool window_base::subclass_window(HWND window, bool created) {
  if (!window) return false;
  subclassed_ = created ? 0 : 1;
  previous_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, wndproc_index()));
  window_ = window;
  if (!windows_bound().insert(window, this)) {
    window_ = nullptr;
    previous_ = nullptr;
    return false;
  }
  SetWindowLongPtrA(window, wndproc_index(), reinterpret_cast<LONG_PTR>(window_thunk));
  if (!created) on_attached();
  return true;
}

LRESULT window_base::unsubclass_window(bool call_previous) {
  if (!window_ || !previous_) return 0;
  SetWindowLongPtrA(window_, wndproc_index(), reinterpret_cast<LONG_PTR>(previous_));
  LRESULT result = 0;
  if (call_previous)
    result = CallWindowProcA(previous_, window_, current_.message, current_.wParam, current_.lParam);
  windows_bound().erase(window_);
  window_ = nullptr;
  previous_ = nullptr;
  return result;
}

bool window_base::create(DWORD style, const RECT& rect, const char* title, HWND parent, HMENU menu,
                         const char* class_name, DWORD ex_style) {
  window_ = nullptr;
  const int width = rect.right == CW_USEDEFAULT ? CW_USEDEFAULT : rect.right - rect.left;
  const int height = rect.bottom == CW_USEDEFAULT ? CW_USEDEFAULT : rect.bottom - rect.top;
  const char* window_class = class_name ? class_name : register_framework_class();
  if (!window_class) return false;
  HWND window;
  {
    activation_scope scope;
    window = CreateWindowExA(ex_style, window_class, title, style, rect.left, rect.top, width, height, parent,
                             menu, framework_module_instance(), this);
  }
  if (!window) return false;
  // A foreign class did not bind the object at WM_NCCREATE: take the window over now.
  if (!window_) return subclass_window(window, false);
  return true;
}

bool window_base::create(DWORD style, const RECT& rect, const char* title, HWND parent, UINT id,
                         const char* class_name) {
  return create(style, rect, title, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), class_name,
                0);
}

bool window_base::create(DWORD style, const RECT& rect, const char* title, HWND parent, UINT_PTR id,
                         const char* class_name, DWORD ex_style) {
  return create(style, rect, title, parent, reinterpret_cast<HMENU>(id), class_name, ex_style);
}

LRESULT window_base::process_message(UINT message, WPARAM wparam, LPARAM lparam) {
  ++depth_;
  const MSG saved = current_;
  current_.message = message;
  current_.wParam = wparam;
  current_.lParam = lparam;
  if (message == WM_SETFOCUS) notify_top_level_of_focus();
  const LRESULT result = route(message, wparam, lparam);
  current_ = saved;
  --depth_;
  // The window went during this call: the outermost dispatch deletes an object owned by its window.
  if (!window_ && depth_ == 0 && delete_when_destroyed_) delete this;
  return result;
}

// The root is the top-level window, not an owner: a dialog owned by the host's window must not send
// the host a message of ours.
void window_base::notify_top_level_of_focus() {
  HWND top = GetAncestor(window_, GA_ROOT);
  if (top && top != window_) SendMessageA(top, kChildFocusMessage, 0, reinterpret_cast<LPARAM>(window_));
}

LRESULT window_base::route(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: return on_create(reinterpret_cast<CREATESTRUCTA*>(lparam));
    case WM_CLOSE: return on_close();
    case WM_PAINT: return on_paint();
    case WM_DESTROY: return on_destroy();
    case WM_SIZE: return on_size(LOWORD(lparam), HIWORD(lparam), wparam);
    case WM_SHOWWINDOW: return on_show_window(wparam != 0, static_cast<UINT>(lparam));
    case WM_INITDIALOG: return on_init_dialog();
    case WM_TIMER: return on_timer(wparam);
    case WM_COMMAND: return on_command(wparam);
    case WM_SYSCOMMAND: return on_sys_command(LOWORD(wparam));
    case WM_MOUSEMOVE: return on_mouse_move(point_of(lparam));
    case WM_LBUTTONDOWN: return on_lbutton_down(point_of(lparam));
    case WM_LBUTTONUP: return on_lbutton_up(point_of(lparam));
    case WM_RBUTTONDOWN: return on_rbutton_down(point_of(lparam));
    case WM_RBUTTONUP: return on_rbutton_up(point_of(lparam));
    case WM_KEYDOWN: return on_key_down(wparam);
    case WM_KEYUP: return on_key_up(wparam);
    case WM_CHAR: return on_char(wparam);
    case WM_GETDLGCODE: return on_get_dlg_code(lparam);
    case WM_NOTIFY: return on_notify(wparam, reinterpret_cast<NMHDR*>(lparam));
    case WM_MEASUREITEM: return on_measure_item(wparam, lparam);
    case WM_DRAWITEM: return on_draw_item(wparam, lparam);
    case WM_COMPAREITEM: return on_compare_item(wparam, lparam);
    case WM_SETFOCUS: return on_set_focus(reinterpret_cast<HWND>(wparam));
    case WM_KILLFOCUS: return on_kill_focus(reinterpret_cast<HWND>(wparam));
    case WM_ERASEBKGND: return on_erase_background(reinterpret_cast<HDC>(wparam));
    case WM_HSCROLL: return on_hscroll(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
    case WM_VSCROLL: return on_vscroll(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
    case WM_SETCURSOR: return on_set_cursor(HIWORD(lparam), static_cast<short>(LOWORD(lparam)));
    case WM_ACTIVATE: return on_activate(LOWORD(wparam), reinterpret_cast<HWND>(lparam));
    case kReflectMessage:
      return on_reflected_message(reinterpret_cast<const MSG*>(lparam), reinterpret_cast<int*>(wparam));
    case kMessage1803: return on_message_1803();
    case kChildFocusMessage: return on_child_focus(reinterpret_cast<HWND>(lparam));
    case WM_LBUTTONDBLCLK: return on_lbutton_dblclk(point_of(lparam));
    case WM_RBUTTONDBLCLK: return on_rbutton_dblclk(point_of(lparam));
    case WM_CONTEXTMENU: return on_context_menu(point_of(lparam));
    case WM_CANCELMODE: return on_cancel_mode();
    case WM_INITMENUPOPUP:
      return on_init_menu_popup(reinterpret_cast<HMENU>(wparam), static_cast<UINT>(lparam));
    case WM_ENABLE: return on_enable(wparam != 0);
    case WM_SETTINGCHANGE: return on_setting_change(lparam, wparam);
    case WM_MOUSEACTIVATE: return on_mouse_activate(static_cast<short>(LOWORD(lparam)), HIWORD(lparam));
    case WM_MOUSELEAVE: return on_mouse_leave();
    case WM_NCCALCSIZE: return on_nc_calc_size(lparam, wparam != 0);
    case WM_GETMINMAXINFO: return on_get_min_max_info(lparam);
    case WM_DROPFILES: return on_drop_files(reinterpret_cast<HDROP>(wparam));
    case WM_NCHITTEST: return on_nc_hit_test(point_of(lparam));
    case WM_NCLBUTTONDOWN: return on_nc_lbutton_down(point_of(lparam));
    case WM_NCLBUTTONUP: return on_nc_lbutton_up(point_of(lparam));
    case WM_NCMOUSEMOVE: return on_nc_mouse_move(point_of(lparam));
    case WM_NCPAINT: return on_nc_paint(reinterpret_cast<HRGN>(wparam));
    case WM_NCDESTROY: return on_nc_destroy();
    case WM_HELP: return on_help(reinterpret_cast<HELPINFO*>(lparam));
    default: break;
  }
  if (message >= kFirstCtlColor && message <= kLastCtlColor)
    return on_ctl_color(message, reinterpret_cast<HWND>(lparam));
  return default_process();
}

LRESULT window_base::default_process() {
  if (previous_ && subclassed_)
    return CallWindowProcA(previous_, window_, current_.message, current_.wParam, current_.lParam);
  if (default_procedure_)
    return CallWindowProcA(default_procedure_, window_, current_.message, current_.wParam, current_.lParam);
  return 0;
}

// The control a parent notification came from, or null when the message names none.
static HWND reflection_target(HWND parent, const MSG& message) {
  switch (message.message) {
    case WM_NOTIFY:
      return message.lParam ? reinterpret_cast<const NMHDR*>(message.lParam)->hwndFrom : nullptr;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM: return GetDlgItem(parent, static_cast<int>(message.wParam));
    default: break;
  }
  if (message.message >= kFirstCtlColor && message.message <= kLastCtlColor)
    return reinterpret_cast<HWND>(message.lParam);
  return nullptr;
}

LRESULT window_base::reflect_to_child() {
  const UINT message = current_.message;
  const bool reflectable = message == WM_NOTIFY || message == WM_DRAWITEM || message == WM_MEASUREITEM ||
                           message == WM_COMPAREITEM ||
                           (message >= kFirstCtlColor && message <= kLastCtlColor);
  if (!reflectable) return 0;
  HWND child = reflection_target(window_, current_);
  int handled = 0;
  LRESULT answer = 0;
  if (child)
    answer = SendMessageA(child, kReflectMessage, reinterpret_cast<WPARAM>(&handled),
                          reinterpret_cast<LPARAM>(&current_));
  return handled ? answer : default_process();
}

LRESULT window_base::on_reflected_message(const MSG* parent_message, int* handled) {
  if (parent_message && parent_message->message == WM_NOTIFY)
    return on_reflected_notify(reinterpret_cast<NMHDR*>(parent_message->lParam), handled);
  return 0;
}

LRESULT window_base::on_paint() {
  if (previous_) return default_process();
  PAINTSTRUCT paint;
  BeginPaint(window_, &paint);
  EndPaint(window_, &paint);
  return 1;
}

LRESULT window_base::on_create(CREATESTRUCTA*) {
  on_attached();
  return default_process();
}

LRESULT window_base::on_nc_destroy() { return unsubclass_window(true); }

void window_base::on_attached() {}
LRESULT window_base::on_init_dialog() { return 0; }
LRESULT window_base::on_notify(WPARAM, NMHDR*) { return reflect_to_child(); }
LRESULT window_base::on_measure_item(WPARAM, LPARAM) { return reflect_to_child(); }
LRESULT window_base::on_draw_item(WPARAM, LPARAM) { return reflect_to_child(); }
LRESULT window_base::on_compare_item(WPARAM, LPARAM) { return reflect_to_child(); }
LRESULT window_base::on_ctl_color(UINT, HWND) { return reflect_to_child(); }
LRESULT window_base::on_reflected_notify(NMHDR*, int*) { return 0; }
LRESULT window_base::on_message_1803() { return 0; }
LRESULT window_base::on_child_focus(HWND) { return 0; }

// First-level handlers that only pass the message on.
LRESULT window_base::on_close() { return default_process(); }
LRESULT window_base::on_destroy() { return default_process(); }
LRESULT window_base::on_size(int, int, WPARAM) { return default_process(); }
LRESULT window_base::on_show_window(bool, UINT) { return default_process(); }
LRESULT window_base::on_timer(WPARAM) { return default_process(); }
LRESULT window_base::on_command(WPARAM) { return default_process(); }
LRESULT window_base::on_sys_command(UINT) { return default_process(); }
LRESULT window_base::on_mouse_move(POINT) { return default_process(); }
LRESULT window_base::on_lbutton_down(POINT) { return default_process(); }
LRESULT window_base::on_lbutton_up(POINT) { return default_process(); }
LRESULT window_base::on_rbutton_down(POINT) { return default_process(); }
LRESULT window_base::on_rbutton_up(POINT) { return default_process(); }
LRESULT window_base::on_key_down(WPARAM) { return default_process(); }
LRESULT window_base::on_key_up(WPARAM) { return default_process(); }
LRESULT window_base::on_char(WPARAM) { return default_process(); }
LRESULT window_base::on_get_dlg_code(LPARAM) { return default_process(); }
LRESULT window_base::on_set_focus(HWND) { return default_process(); }
LRESULT window_base::on_kill_focus(HWND) { return default_process(); }
LRESULT window_base::on_erase_background(HDC) { return default_process(); }
LRESULT window_base::on_hscroll(int, int, HWND) { return default_process(); }
LRESULT window_base::on_vscroll(int, int, HWND) { return default_process(); }
LRESULT window_base::on_set_cursor(UINT, int) { return default_process(); }
LRESULT window_base::on_activate(UINT, HWND) { return default_process(); }
LRESULT window_base::on_lbutton_dblclk(POINT) { return default_process(); }
LRESULT window_base::on_rbutton_dblclk(POINT) { return default_process(); }
LRESULT window_base::on_context_menu(POINT) { return default_process(); }
LRESULT window_base::on_cancel_mode() { return default_process(); }
LRESULT window_base::on_init_menu_popup(HMENU, UINT) { return default_process(); }
LRESULT window_base::on_enable(bool) { return default_process(); }
LRESULT window_base::on_setting_change(LPARAM, WPARAM) { return default_process(); }
LRESULT window_base::on_mouse_activate(int, UINT) { return default_process(); }
LRESULT window_base::on_mouse_leave() { return default_process(); }
LRESULT window_base::on_nc_calc_size(LPARAM, bool) { return default_process(); }
LRESULT window_base::on_get_min_max_info(LPARAM) { return default_process(); }
LRESULT window_base::on_drop_files(HDROP) { return default_process(); }
LRESULT window_base::on_nc_hit_test(POINT) { return default_process(); }
LRESULT window_base::on_nc_lbutton_down(POINT) { return default_process(); }
LRESULT window_base::on_nc_lbutton_up(POINT) { return default_process(); }
LRESULT window_base::on_nc_mouse_move(POINT) { return default_process(); }
LRESULT window_base::on_nc_paint(HRGN) { return default_process(); }
LRESULT window_base::on_help(HELPINFO*) { return default_process(); }
