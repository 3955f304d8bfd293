#include "ui/framework/icon_static.h"

#include <algorithm>

#include "ui/framework/dialog_template.h"
#include "ui/framework/window_registry.h"

namespace {

constexpr int kIconSize = 32;
constexpr uint32_t kTemplateIdNone16 = 0xFFFF;
constexpr uint32_t kTemplateIdNone32 = 0xFFFFFFFF;

// The target rectangle reaches at least the given size, so that the image is drawn whole.
RECT at_least(RECT r, int width, int height) {
  r.right = std::max<LONG>(r.right, r.left + width);
  r.bottom = std::max<LONG>(r.bottom, r.top + height);
  return r;
}

void resize_keeping_corner(HWND window, int width, int height) {
  SetWindowPos(window, nullptr, 0, 0, width, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

// The control whose rectangle the parent repaints, background first, so the blend starts afresh.
void repaint_under(HWND window) {
  HWND parent = GetParent(window);
  if (!parent) return;
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  InvalidateRect(parent, &r, TRUE);
  UpdateWindow(parent);
}

bool template_bits(HMODULE module, unsigned id, const uint8_t** bits, size_t* size) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  *bits = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  *size = found ? SizeofResource(module, found) : 0;
  return *bits != nullptr;
}

}  // namespace

icon_static::~icon_static() { free_image(); }

void icon_static::free_image() {
  delete image_;
  image_ = nullptr;
}

LRESULT icon_static::process_message(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == STM_SETICON) {
    free_image();
    HWND window = this->window();
    const LRESULT result = window_base::process_message(message, wparam, lparam);
    if (window && IsWindow(window)) repaint_under(window);
    return result;
  }
  if (message == kSetAlphaIconMessage) {
    set_icon(reinterpret_cast<HMODULE>(wparam), static_cast<unsigned>(lparam));
    InvalidateRect(window(), nullptr, FALSE);
    return 1;
  }
  return window_base::process_message(message, wparam, lparam);
}

void icon_static::set_icon(HMODULE module, unsigned group_id) {
  free_image();
  if (!module || !group_id) {
    SendMessageA(window(), STM_SETICON, 0, 0);
    return;
  }
  image_ = new xpimage(kIconSize, kIconSize, 1, 1);
  load_group_icon(image_, module, group_id);
  resize_keeping_corner(window(), kIconSize, kIconSize);
}

LRESULT icon_static::on_paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window(), &paint);
  if (dc) {
    RECT client;
    GetClientRect(window(), &client);
    const uint32_t flags = kDrawCentred | look_;
    if (image_) {
      // An icon that could not be loaded leaves an image without frames: nothing to paint.
      if (image_->frame_count > 0)
        draw_frame(image_, dc, at_least(client, image_->width, image_->height), flags, 0);
    } else {
      HICON icon = reinterpret_cast<HICON>(SendMessageA(window(), STM_GETICON, 0, 0));
      if (icon) draw_icon_alpha(dc, icon, at_least(client, kIconSize, kIconSize), flags);
    }
  }
  EndPaint(window(), &paint);
  return 1;
}

bool replace_dialog_icons(HWND dialog, HMODULE template_module, unsigned template_id, HMODULE icon_module) {
  const uint8_t* bits;
  size_t size;
  if (!template_bits(template_module, template_id, &bits, &size)) return false;
  dialog_layout layout;
  if (!read_dialog_template(bits, size, &layout)) return false;
  HWND child = GetWindow(dialog, GW_CHILD);
  for (const template_item& item : layout.items) {
    if (is_icon_static(item)) {
      const bool has_id = item.id != kTemplateIdNone16 && item.id != kTemplateIdNone32;
      HWND target = has_id ? GetDlgItem(dialog, static_cast<int>(item.id)) : child;
      // A control already bound to an object keeps it: binding it twice would chain two objects.
      if (target && !windows_bound().find(target)) {
        auto* icon = new icon_static;
        if (icon->subclass_window(target, false)) {
          icon->set_delete_when_destroyed(true);
          icon->set_icon(icon_module, item.title_ordinal);
        } else {
          delete icon;
        }
      }
    }
    if (child) child = GetWindow(child, GW_HWNDNEXT);
  }
  return true;
}
