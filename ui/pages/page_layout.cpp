#include "ui/pages/page_layout.h"

#include "ui/framework/dialog_layout.h"
#include "ui/framework/gui_module.h"
#include "ui/framework/icon_static.h"

void prepare_dialog_layout(HWND dialog, unsigned template_id) {
  HMODULE resources = resource_instance();
  replace_dialog_icons(dialog, resources, template_id, resources);
  stretch_dialog_controls(dialog);
}
