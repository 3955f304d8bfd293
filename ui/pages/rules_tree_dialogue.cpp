#include "ui/pages/rules_tree_dialogue.h"

#include <cstring>
#include <string>

#include "log/log.h"
#include "settings/plugin_settings.h"
#include "ui/framework/gui_module.h"
#include "ui/framework/resource_ids.h"
#include "ui/pages/rule_edit_dialog.h"

namespace {

constexpr int kCheckCleared = 1;
constexpr int kCheckTicked = 2;
constexpr UINT kStateImageShift = 12;

int state_image_of(UINT state) { return static_cast<int>((state & TVIS_STATEIMAGEMASK) >> kStateImageShift); }

// Copies a name into a buffer of the tree, cut to its size and always terminated.
void copy_name(const text& name, char* out, int capacity) {
  if (!out || capacity <= 0) return;
  size_t n =
      name.size() < static_cast<size_t>(capacity - 1) ? name.size() : static_cast<size_t>(capacity - 1);
  std::memcpy(out, name.c_str(), n);
  out[n] = '\0';
}

void copy_name(const text& name, wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return;
  int n = MultiByteToWideChar(CP_ACP, 0, name.c_str(), static_cast<int>(name.size()), out, capacity - 1);
  out[n > 0 ? n : 0] = L'\0';
}

text narrow(const wchar_t* wide) {
  int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return text();
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, -1, &bytes[0], n, nullptr, nullptr);
  return text(bytes.c_str(), static_cast<size_t>(n - 1));
}

}  // namespace

LRESULT rules_tree_control::process_message(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != kTreeReportSelection) return window_base::process_message(message, wparam, lparam);
  HTREEITEM selected = TreeView_GetSelection(window());
  notify_parent(kTreeReportSelection, reinterpret_cast<UINT_PTR>(selected));
  return 0;
}

LRESULT rules_tree_control::on_set_focus(HWND) {
  notify_parent(kTreeFocusCode, static_cast<UINT_PTR>(GetDlgCtrlID(window())));
  return default_process();
}

void rules_tree_control::notify_parent(UINT code, UINT_PTR id) {
  NMHDR header = {window(), id, code};
  SendMessageA(GetParent(window()), WM_NOTIFY, static_cast<WPARAM>(GetDlgCtrlID(window())),
               reinterpret_cast<LPARAM>(&header));
}

rules_tree_dialogue::~rules_tree_dialogue() {
  if (tree_.window() && tree_.subclassed()) tree_.unsubclass_window(false);
}

void rules_tree_dialogue::init(const char* file_name) {
  HWND tree = GetDlgItem(owner_window(), IDC_RULES_TREE);
  if (tree) {
    tree_.subclass_window(tree, false);
    // Added after creation: a tree created with check boxes draws every box cleared under Wine.
    SetWindowLongPtrA(tree, GWL_STYLE, GetWindowLongPtrA(tree, GWL_STYLE) | TVS_CHECKBOXES);
  }
  plugin_settings* record = current_plugin_settings();
  path_ = record ? record->working_directory : text();
  path_.append(file_name);
  load_and_fill();
}

void rules_tree_dialogue::load_and_fill() {
  HWND tree = tree_.window();
  if (tree) {
    SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(tree);
  }
  item_count_ = 0;
  list_.load(path_);
  for (auto& entry : list_) {
    entry->take_snapshot();
    insert_item(entry.get());
  }
  if (tree) {
    SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);
  }
  modified_ = false;
  set_item_count(item_count_);
}

bool rules_tree_dialogue::command(WPARAM wparam) {
  if (HIWORD(wparam) != 0) return false;
  switch (LOWORD(wparam)) {
    case IDC_RULE_ADD: add_rule(); return true;
    case IDC_RULE_EDIT: edit_rule(); return true;
    case IDC_RULE_COPY: copy_rule(); return true;
    case IDC_RULE_DELETE: delete_rule(); return true;
    default: return false;
  }
}

LRESULT rules_tree_dialogue::notify(NMHDR* header) {
  if (!header || !tree_.window() || header->hwndFrom != tree_.window()) return 0;
  switch (header->code) {
    case TVN_GETDISPINFOA:
    case TVN_GETDISPINFOW: return on_get_text(header);
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
    case kTreeFocusCode: set_default_button(); return 0;
    case NM_DBLCLK: edit_rule(); return 1;
    case NM_CLICK: on_click(); return 0;
    case TVN_ENDLABELEDITA:
    case TVN_ENDLABELEDITW: return on_end_label_edit(header);
    case TVN_KEYDOWN:
      if (reinterpret_cast<NMTVKEYDOWN*>(header)->wVKey == VK_SPACE) {
        mark_changed();
        PostMessageA(tree_.window(), kTreeReportSelection, 0, 0);
      }
      return 0;
    case kTreeReportSelection: on_space_toggled(reinterpret_cast<HTREEITEM>(header->idFrom)); return 0;
    default: return 0;
  }
}

void rules_tree_dialogue::save_if_modified() {
  if (!modified_) return;
  uint32_t result = list_.save();
  if (result != kListSaved) {
    RLOG("[-] rules_tree_dialogue: saving failed with internal error: %d (from visual_list)",
         static_cast<int>(result));
    return;
  }
  saved_ = true;
}

void rules_tree_dialogue::add_rule() {
  rule_edit_dialog dialog(nullptr);
  if (dialog.do_modal(owner_window()) != IDOK) return;
  rule_entry* entry = new rule_entry();
  dialog.store_into(*entry);
  entry->take_snapshot();
  list_.append(entry);
  insert_item(entry);
  mark_changed();
  if (list_.size() == 1) SetFocus(tree_.window());
}

void rules_tree_dialogue::edit_rule() {
  HTREEITEM item = nullptr;
  rule_entry* entry = selected_entry(&item);
  if (!entry) return;
  rule_edit_dialog dialog(entry);
  if (dialog.do_modal(owner_window()) != IDOK) return;
  entry->compare_with_snapshot();
  // An entry that failed to parse is a valid rule after the edit: it gets its check box back.
  show_state(item, *entry);
  mark_changed();
}

void rules_tree_dialogue::copy_rule() {
  rule_entry* entry = selected_entry(nullptr);
  if (!entry) return;
  text name = load_string(IDS_COPY_PREFIX);
  name.append(entry->name);
  rule_entry* copy;
  if (entry->failed()) {
    // A copy of a rule that failed to parse keeps the text the user wrote, as the original does.
    copy = new rule_entry(name, entry->original_text);
    copy->original_disabled = entry->original_disabled;
  } else {
    text value;
    entry->get_value(value);
    copy = new rule_entry(entry->flags, entry->part, name, value);
  }
  copy->enabled = entry->enabled;
  copy->take_snapshot();
  list_.append(copy);
  insert_item(copy);
  mark_changed();
}

void rules_tree_dialogue::delete_rule() {
  HTREEITEM item = nullptr;
  rule_entry* entry = selected_entry(&item);
  if (!entry) return;
  // The item goes first, so that the tree never asks for the text of a deleted entry.
  TreeView_DeleteItem(tree_.window(), item);
  list_.remove(entry);
  set_item_count(item_count_ - 1);
  mark_changed();
}

rule_entry* rules_tree_dialogue::selected_entry(HTREEITEM* item) {
  HTREEITEM selected = tree_.window() ? TreeView_GetSelection(tree_.window()) : nullptr;
  if (item) *item = selected;
  return entry_of(selected);
}

rule_entry* rules_tree_dialogue::entry_of(HTREEITEM item) {
  if (!item) return nullptr;
  TVITEMA data = {};
  data.mask = TVIF_PARAM | TVIF_HANDLE;
  data.hItem = item;
  if (!SendMessageA(tree_.window(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data))) return nullptr;
  return reinterpret_cast<rule_entry*>(data.lParam);
}

void rules_tree_dialogue::insert_item(rule_entry* entry) {
  if (!tree_.window()) return;
  TVINSERTSTRUCTA insert = {};
  insert.hParent = TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM;
  insert.item.pszText = LPSTR_TEXTCALLBACKA;
  insert.item.lParam = reinterpret_cast<LPARAM>(entry);
  HTREEITEM item = reinterpret_cast<HTREEITEM>(
      SendMessageA(tree_.window(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  if (!item) return;
  show_state(item, *entry);
  set_item_count(item_count_ + 1);
}

void rules_tree_dialogue::show_state(HTREEITEM item, const rule_entry& entry) {
  TVITEMA data = {};
  data.mask = TVIF_STATE | TVIF_HANDLE;
  data.hItem = item;
  data.stateMask = TVIS_STATEIMAGEMASK | TVIS_BOLD;
  data.state =
      entry.failed() ? TVIS_BOLD : INDEXTOSTATEIMAGEMASK(entry.enabled ? kCheckTicked : kCheckCleared);
  SendMessageA(tree_.window(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

void rules_tree_dialogue::set_item_count(int count) {
  item_count_ = count;
  HWND owner = owner_window();
  for (int id : {IDC_RULE_EDIT, IDC_RULE_COPY, IDC_RULE_DELETE})
    EnableWindow(GetDlgItem(owner, id), count != 0);
}

void rules_tree_dialogue::mark_changed() {
  modified_ = true;
  notify_changed();
  if (tree_.window()) InvalidateRect(tree_.window(), nullptr, TRUE);
}

void rules_tree_dialogue::set_default_button() {
  SendMessageA(owner_window(), DM_SETDEFID, IDC_RULE_EDIT, 0);
}

LRESULT rules_tree_dialogue::on_get_text(NMHDR* header) {
  if (header->code == TVN_GETDISPINFOA) {
    TVITEMA& item = reinterpret_cast<NMTVDISPINFOA*>(header)->item;
    rule_entry* entry = reinterpret_cast<rule_entry*>(item.lParam);
    if (entry && (item.mask & TVIF_TEXT)) copy_name(entry->name, item.pszText, item.cchTextMax);
  } else {
    TVITEMW& item = reinterpret_cast<NMTVDISPINFOW*>(header)->item;
    rule_entry* entry = reinterpret_cast<rule_entry*>(item.lParam);
    if (entry && (item.mask & TVIF_TEXT)) copy_name(entry->name, item.pszText, item.cchTextMax);
  }
  return 1;
}

void rules_tree_dialogue::on_click() {
  TVHITTESTINFO hit = {};
  GetCursorPos(&hit.pt);
  ScreenToClient(tree_.window(), &hit.pt);
  HTREEITEM item = TreeView_HitTest(tree_.window(), &hit);
  if (!item || !(hit.flags & TVHT_ONITEMSTATEICON)) return;
  rule_entry* entry = entry_of(item);
  if (!entry || entry->failed()) return;
  // The tree toggles the box itself after this notification: a cleared box is about to be ticked.
  int image = state_image_of(TreeView_GetItemState(tree_.window(), item, TVIS_STATEIMAGEMASK));
  bool enabled = image == kCheckCleared;
  if (image != kCheckCleared && image != kCheckTicked) return;
  if (entry->enabled == enabled) return;
  entry->enabled = enabled;
  entry->compare_with_snapshot();
  modified_ = true;
  notify_changed();
}

LRESULT rules_tree_dialogue::on_end_label_edit(NMHDR* header) {
  text label;
  if (header->code == TVN_ENDLABELEDITA) {
    const TVITEMA& item = reinterpret_cast<NMTVDISPINFOA*>(header)->item;
    if (!item.pszText) return 0;  // the editing was cancelled
    label = item.pszText;
  } else {
    const TVITEMW& item = reinterpret_cast<NMTVDISPINFOW*>(header)->item;
    if (!item.pszText) return 0;
    label = narrow(item.pszText);
  }
  const NMTVDISPINFOA* info = reinterpret_cast<NMTVDISPINFOA*>(header);
  rule_entry* entry = reinterpret_cast<rule_entry*>(info->item.lParam);
  if (!entry) entry = entry_of(info->item.hItem);
  if (!entry) return 0;
  entry->name = label.empty() ? load_string(IDS_UNNAMED_RULE) : label;
  entry->compare_with_snapshot();
  mark_changed();
  return 1;
}

void rules_tree_dialogue::on_space_toggled(HTREEITEM item) {
  rule_entry* entry = entry_of(item);
  if (!entry) return;
  if (entry->failed()) {
    // A failed rule has no box to toggle; one that the tree drew anyway is taken away again.
    show_state(item, *entry);
    return;
  }
  int image = state_image_of(TreeView_GetItemState(tree_.window(), item, TVIS_STATEIMAGEMASK));
  entry->enabled = image == kCheckTicked;
  entry->compare_with_snapshot();
}
