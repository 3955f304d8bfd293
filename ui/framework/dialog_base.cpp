#include "ui/framework/dialog_base.h"

#include <vector>

#include "ui/framework/activation_context.h"
#include "ui/framework/context_help.h"
#include "ui/framework/dialog_init.h"
#include "ui/framework/dialog_template.h"
#include "ui/framework/gui_module.h"

namespace {
constexpr WORD kDialogType = 5;        // RT_DIALOG
constexpr WORD kDialogInitType = 240;  // RT_DLGINIT
constexpr int kMessageResult = 0;      // DWLP_MSGRESULT

static_assert(sizeof(PROPSHEETPAGEA) == 96, "a page record is the 96-byte record with its context");

LPCSTR ordinal(unsigned id) { return MAKEINTRESOURCEA(static_cast<WORD>(id)); }

// The resource's bytes and their count, or null when the resource instance lacks it.
const uint8_t* find_resource_bits(unsigned id, LPCSTR type, size_t* size) {
  HINSTANCE instance = resource_instance();
  HRSRC found = instance ? FindResourceA(instance, ordinal(id), type) : nullptr;
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const void* bits = loaded ? LockResource(loaded) : nullptr;
  *size = bits ? SizeofResource(instance, found) : 0;
  return static_cast<const uint8_t*>(bits);
}

INT_PTR bind_and_initialise(dialog_base* object, HWND window, WPARAM wparam, LPARAM lparam) {
  if (!object || !object->subclass_window(window, true)) return 0;
  return object->process_message(WM_INITDIALOG, wparam, lparam);
}

void send_init_entry(HWND dialog, const dialog_init_entry& entry) {
  const unsigned message = dialog_init_message(entry.message);
  if (message == kComboBoxExInsertItem) {
    COMBOBOXEXITEMA item = {};
    item.mask = CBEIF_TEXT;
    item.iItem = -1;
    item.pszText = const_cast<char*>(entry.text.c_str());
    SendDlgItemMessageA(dialog, entry.control_id, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  } else if (message != 0) {
    SendDlgItemMessageA(dialog, entry.control_id, message, 0, reinterpret_cast<LPARAM>(entry.text.c_str()));
  }
}
}  // namespace

INT_PTR CALLBACK modal_dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_INITDIALOG) return 0;
  return bind_and_initialise(reinterpret_cast<dialog_base*>(lparam), window, wparam, lparam);
}

INT_PTR CALLBACK page_dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_INITDIALOG || !lparam) return 0;
  auto* record = reinterpret_cast<const PROPSHEETPAGEA*>(lparam);
  return bind_and_initialise(reinterpret_cast<dialog_base*>(record->lParam), window, wparam, lparam);
}

void apply_template_help_ids(HWND dialog, unsigned template_id) {
  size_t size = 0;
  const uint8_t* bits = find_resource_bits(template_id, MAKEINTRESOURCEA(kDialogType), &size);
  dialog_layout layout;
  if (!bits || !read_dialog_template(bits, size, &layout) || !layout.extended) return;
  HWND child = GetWindow(dialog, GW_CHILD);
  for (const template_item& item : layout.items) {
    // The dialog manager makes the controls in template order; any other child list is not ours to
    // guess at.
    if (!child || static_cast<WORD>(GetDlgCtrlID(child)) != static_cast<WORD>(item.id)) return;
    if (item.help_id && !GetWindowContextHelpId(child)) SetWindowContextHelpId(child, item.help_id);
    child = GetWindow(child, GW_HWNDNEXT);
  }
}

bool apply_dialog_init_data(HWND dialog, unsigned template_id) {
  size_t size = 0;
  const uint8_t* bits = find_resource_bits(template_id, MAKEINTRESOURCEA(kDialogInitType), &size);
  if (!bits) return true;
  std::vector<dialog_init_entry> entries;
  const bool whole = read_dialog_init(bits, size, &entries);
  for (const dialog_init_entry& entry : entries) send_init_entry(dialog, entry);
  return whole;
}

dialog_base::dialog_base(unsigned template_id) : template_id_(template_id) {
  set_default_procedure(DefDlgProcA);
}

void dialog_base::on_ok() { end_dialog(IDOK); }
void dialog_base::on_cancel() { end_dialog(IDCANCEL); }

void dialog_base::end_dialog(int result) {
  modal_result_ = result;
  EndDialog(window(), result);
}

BOOL dialog_base::is_dialog_message(MSG* message) { return IsDialogMessageA(window(), message); }
BOOL dialog_base::pre_translate_message(MSG* message) { return is_dialog_message(message); }

LRESULT dialog_base::on_init_dialog() {
  window_base::on_init_dialog();
  apply_template_help_ids(window(), template_id_);
  apply_dialog_init_data(window(), template_id_);
  return 0;
}

LRESULT dialog_base::on_command(WPARAM wparam) {
  if (wparam == IDOK) {
    on_ok();
    return 1;
  }
  if (wparam == IDCANCEL) {
    on_cancel();
    return 1;
  }
  return 0;
}

LRESULT dialog_base::on_help(HELPINFO* info) {
  if (!info) return 0;
  gui_module* gui = current_gui_module();
  return display_help_popup(gui ? gui->module_instance() : nullptr, window(),
                            static_cast<unsigned>(info->dwContextId), info->MousePos);
}

INT_PTR dialog_base::do_modal(HWND parent) {
  if (gui_module* gui = current_gui_module()) gui->ensure_common_controls();
  activation_scope scope;
  return DialogBoxParamA(resource_instance(), ordinal(template_id_), parent, modal_dialog_procedure,
                         reinterpret_cast<LPARAM>(this));
}

bool dialog_base::fill_page_record(PROPSHEETPAGEA* record) {
  size_t size = 0;
  const uint8_t* bits = find_resource_bits(template_id_, MAKEINTRESOURCEA(kDialogType), &size);
  if (!bits) return false;
  *record = PROPSHEETPAGEA();
  record->dwSize = sizeof(PROPSHEETPAGEA);
  record->dwFlags = PSP_DLGINDIRECT;
  record->hInstance = resource_instance();
  record->pResource = reinterpret_cast<LPCDLGTEMPLATEA>(bits);
  record->pfnDlgProc = page_dialog_procedure;
  record->lParam = reinterpret_cast<LPARAM>(this);
  return true;
}

property_page::property_page(unsigned template_id) : dialog_base(template_id) {}

LRESULT property_page::process_message(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND window_before = window();
  const LRESULT result = dialog_base::process_message(message, wparam, lparam);
  // The page may be gone (and deleted) by now: only its window is used.
  if (message == WM_NOTIFY && result != 0 && IsWindow(window_before))
    SetWindowLongPtrA(window_before, kMessageResult, static_cast<LONG_PTR>(static_cast<int>(result)));
  return result;
}

LRESULT property_page::on_notify(WPARAM control_id, NMHDR* header) {
  if (!header) return reflect_to_child();
  if (control_id == 0 && header->code == PSN_APPLY) on_ok();
  LRESULT answer = 0;
  switch (header->code) {
    case PSN_WIZNEXT: answer = on_wizard_next(); break;
    case PSN_WIZBACK: answer = on_wizard_back(); break;
    case PSN_WIZFINISH: answer = on_wizard_finish(); break;
    case PSN_SETACTIVE: answer = on_set_active(); break;
    case PSN_KILLACTIVE: answer = on_kill_active(); break;
    case PSN_QUERYCANCEL: answer = on_query_cancel(); break;
    default: break;
  }
  return answer != 0 ? answer : reflect_to_child();
}

void property_page::on_ok() { set_modified(false); }

LRESULT property_page::on_wizard_next() { return 0; }
LRESULT property_page::on_wizard_back() { return 0; }
LRESULT property_page::on_wizard_finish() { return 0; }
LRESULT property_page::on_set_active() { return 0; }
LRESULT property_page::on_kill_active() { return 0; }
LRESULT property_page::on_query_cancel() { return 0; }

void property_page::set_modified(bool changed) {
  SendMessageA(GetParent(window()), changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(window()),
               0);
}

settings_page::settings_page(unsigned template_id) : property_page(template_id) {}

void settings_page::on_ok() {
  save_settings();
  set_modified(false);
}

void settings_page::save_settings() {}
