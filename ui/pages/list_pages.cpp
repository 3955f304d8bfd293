#include "ui/pages/list_pages.h"

#include "ui/framework/gui_module.h"
#include "ui/framework/resource_ids.h"
#include "ui/pages/page_layout.h"

list_page::list_page(unsigned template_id, const char* file_name)
    : settings_page(template_id), file_name_(file_name) {}

LRESULT list_page::on_init_dialog() {
  settings_page::on_init_dialog();
  prepare_dialog_layout(window(), template_id());
  init(file_name_);
  return TRUE;
}

LRESULT list_page::on_notify(WPARAM control_id, NMHDR* header) {
  if (notify(header) != 0) return 1;
  return settings_page::on_notify(control_id, header);
}

void list_page::on_ok() {
  save_if_modified();
  settings_page::on_ok();
}

white_list_page::white_list_page(plugin_settings* record)
    : list_page(IDD_WHITE_LIST_PAGE, kWhiteListFile), record_(record) {}

LRESULT white_list_page::on_init_dialog() {
  list_page::on_init_dialog();
  hide_options();
  return TRUE;
}

// The two options stay in the template for the record's sake but are never shown; the tree takes
// their room.
void white_list_page::hide_options() {
  HWND page = window();
  HWND address_book = GetDlgItem(page, IDC_TRAIN_BY_ADDRESS_BOOK);
  for (int id : {IDC_TRAIN_BY_ADDRESS_BOOK, IDC_TRAIN_BY_SENT_ITEMS}) {
    HWND box = GetDlgItem(page, id);
    EnableWindow(box, FALSE);
    ShowWindow(box, SW_HIDE);
  }
  address_book_ = false;
  sent_items_ = false;
  HWND tree_window = tree();
  RECT box_rect, tree_rect;
  if (tree_window && address_book && GetWindowRect(address_book, &box_rect) &&
      GetWindowRect(tree_window, &tree_rect)) {
    POINT top_left = {tree_rect.left, tree_rect.top};
    POINT bottom = {box_rect.left, box_rect.bottom};
    ScreenToClient(page, &top_left);
    ScreenToClient(page, &bottom);
    SetWindowPos(tree_window, nullptr, top_left.x, top_left.y, tree_rect.right - tree_rect.left,
                 bottom.y - top_left.y, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  CheckDlgButton(page, IDC_TRAIN_BY_ADDRESS_BOOK, address_book_ ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(page, IDC_TRAIN_BY_SENT_ITEMS, sent_items_ ? BST_CHECKED : BST_UNCHECKED);
}

LRESULT white_list_page::on_command(WPARAM wparam) {
  if (command(wparam)) return 1;
  if (HIWORD(wparam) != 0) return 0;
  int id = LOWORD(wparam);
  if (id == IDC_TRAIN_BY_ADDRESS_BOOK || id == IDC_TRAIN_BY_SENT_ITEMS) {
    bool ticked = IsDlgButtonChecked(window(), id) == BST_CHECKED;
    (id == IDC_TRAIN_BY_ADDRESS_BOOK ? address_book_ : sent_items_) = ticked;
    set_modified_list(true);
  }
  if (modified()) set_modified(true);
  return 0;
}

void white_list_page::on_ok() {
  save_if_modified();
  if (record_) {
    bool address_book_differs = record_->train_by_sent_address_book != address_book_;
    bool sent_items_differ = record_->train_by_sent_items != sent_items_;
    if (address_book_differs || sent_items_differ) record_->modified = true;
    if (address_book_differs) record_->train_by_sent_address_book = address_book_;
    if (sent_items_differ) {
      record_->train_by_sent_items = sent_items_;
      sent_items_changed_ = true;
    }
  }
  set_modified(false);
  settings_page::on_ok();
}

black_list_page::black_list_page() : list_page(IDD_BLACK_LIST_PAGE, kBlackListFile) {}

LRESULT black_list_page::on_command(WPARAM wparam) { return command(wparam) ? 1 : 0; }

void configuration_sheet::on_attached() {
  property_sheet::on_attached();
  if (title_string_id == 0) return;
  text title = load_string(title_string_id);
  SendMessageA(window(), PSM_SETTITLEA, 0, reinterpret_cast<LPARAM>(title.c_str()));
}
