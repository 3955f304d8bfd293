// The icon static: an SS_ICON static control that paints its icon with smooth (alpha) edges, blended
// by the framework's own draw routines, and the replacement of a dialog's icon statics by it.
#pragma once
#include <windows.h>

#include <cstdint>

#include "ui/framework/images.h"
#include "ui/framework/window_base.h"

// wparam: module handle, lparam: icon group id. Sets the icon from that group; answers 1.
constexpr UINT kSetAlphaIconMessage = 382;

class icon_static : public window_base {
 public:
  icon_static() = default;
  ~icon_static() override;  // frees the image

  LRESULT process_message(UINT message, WPARAM wparam, LPARAM lparam) override;
  // Draws the image's first frame, or without an image the static's own icon, centred.
  LRESULT on_paint() override;

  // Loads the group's 32 x 32 image and sizes the control to 32 x 32; a null module or group clears
  // the static instead.
  void set_icon(HMODULE module, unsigned group_id);
  // Looks added to the centred placement: kDrawGrey, kDrawFaded, kDrawHighContrast (0: normal).
  void set_look(uint32_t look) { look_ = look & (kDrawGrey | kDrawFaded | kDrawHighContrast); }
  uint32_t look() const { return look_; }
  const xpimage* image() const { return image_; }

 private:
  void free_image();

  xpimage* image_ = nullptr;
  uint32_t look_ = 0;
};

// Puts an icon_static, owned by its window, on every SS_ICON static of the dialog made from the
// template (RT_DIALOG template_id of template_module, standard or extended), its icon the group that
// the static's title names, loaded from icon_module. False when the template is missing or unreadable.
bool replace_dialog_icons(HWND dialog, HMODULE template_module, unsigned template_id, HMODULE icon_module);
