#include "ui/pages/rule_edit_dialog.h"

#include <string>

#include "ui/framework/gui_module.h"
#include "ui/framework/resource_ids.h"
#include "ui/pages/page_layout.h"

namespace {

const unsigned kPartStrings[] = {IDS_PART_ANY, IDS_PART_HEADER, IDS_PART_SUBJECT, IDS_PART_FROM,
                                 IDS_PART_TO,  IDS_PART_CC,     IDS_PART_BCC,     IDS_PART_BODY};
constexpr unsigned kOperatorStrings[] = {334, 335, 336, 337, 338, 339, 340, 341, 342, 343};
static_assert(sizeof(kOperatorStrings) / sizeof(kOperatorStrings[0]) == kOperatorItems,
              "one string per item");
static_assert(kOperatorStrings[0] == IDS_OP_FIRST && kOperatorStrings[9] == IDS_OP_LAST,
              "comparison strings");

text window_text(HWND window) {
  int n = GetWindowTextLengthA(window);
  if (n <= 0) return text();
  std::string bytes(static_cast<size_t>(n) + 1, '\0');
  int got = GetWindowTextA(window, &bytes[0], n + 1);
  return text(bytes.c_str(), got > 0 ? static_cast<size_t>(got) : 0);
}

uint32_t selection_of(HWND combo) {
  LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? 0 : static_cast<uint32_t>(index);
}

}  // namespace

rule_edit_dialog::rule_edit_dialog(rule_entry* entry) : dialog_base(IDD_RULE_EDIT), entry_(entry) {}

LRESULT rule_edit_dialog::on_init_dialog() {
  dialog_base::on_init_dialog();
  prepare_dialog_layout(window(), template_id());
  fill_combo(IDC_RULE_PART, kPartStrings, kPartItems);
  fill_combo(IDC_RULE_OPERATOR, kOperatorStrings, kOperatorItems);
  transfer(true, 0);
  if (entry_) load_from_entry();
  enable_ok();
  return TRUE;
}

LRESULT rule_edit_dialog::on_command(WPARAM wparam) {
  if (LOWORD(wparam) == IDC_RULE_VALUE && HIWORD(wparam) == EN_CHANGE) {
    transfer(false, IDC_RULE_VALUE);
    enable_ok();
    return 1;
  }
  return dialog_base::on_command(wparam);
}

void rule_edit_dialog::on_ok() {
  // The default button answers Enter even while it is greyed; an empty rule is never confirmed.
  transfer(false, 0);
  if (fields_.value.empty()) return;
  if (entry_) store_into(*entry_);
  end_dialog(IDOK);
}

void rule_edit_dialog::transfer(bool to_controls, int control_id) {
  HWND dialog = window();
  auto wants = [control_id](int id) { return control_id == 0 || control_id == id; };
  if (wants(IDC_RULE_CASE)) {
    if (to_controls)
      CheckDlgButton(dialog, IDC_RULE_CASE, fields_.case_sensitive ? BST_CHECKED : BST_UNCHECKED);
    else
      fields_.case_sensitive = IsDlgButtonChecked(dialog, IDC_RULE_CASE) == BST_CHECKED;
  }
  if (wants(IDC_RULE_PART)) {
    if (to_controls)
      SendDlgItemMessageA(dialog, IDC_RULE_PART, CB_SETCURSEL, fields_.part_index, 0);
    else
      fields_.part_index = selection_of(GetDlgItem(dialog, IDC_RULE_PART));
  }
  if (wants(IDC_RULE_OPERATOR)) {
    if (to_controls)
      SendDlgItemMessageA(dialog, IDC_RULE_OPERATOR, CB_SETCURSEL, fields_.operator_index, 0);
    else
      fields_.operator_index = selection_of(GetDlgItem(dialog, IDC_RULE_OPERATOR));
  }
  if (wants(IDC_RULE_VALUE)) {
    if (to_controls)
      SetDlgItemTextA(dialog, IDC_RULE_VALUE, fields_.value.c_str());
    else
      fields_.value = window_text(GetDlgItem(dialog, IDC_RULE_VALUE));
  }
  if (wants(IDC_RULE_NAME)) {
    if (to_controls)
      SetDlgItemTextA(dialog, IDC_RULE_NAME, fields_.name.c_str());
    else
      fields_.name = window_text(GetDlgItem(dialog, IDC_RULE_NAME));
  }
}

void rule_edit_dialog::load_from_entry() {
  fields_ = fields_of(*entry_);
  transfer(true, 0);
}

void rule_edit_dialog::store_into(rule_entry& entry) const {
  store_fields(fields_, load_string(IDS_UNNAMED_RULE), entry);
}

void rule_edit_dialog::fill_combo(int control_id, const unsigned* string_ids, size_t count) {
  HWND combo = GetDlgItem(window(), control_id);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (size_t i = 0; i < count; ++i) {
    text label = load_string(string_ids[i]);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
  }
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

void rule_edit_dialog::enable_ok() { EnableWindow(GetDlgItem(window(), IDOK), !fields_.value.empty()); }
