// rules_tree_dialogue: the editor of one rule list file inside a property page. A tree view shows one
// item per rule with a check box for its enabled state (failed rules in bold, without a box); the
// add, edit, copy and delete buttons of the page change the list, and the page's apply saves it.
// The page forwards its commands and notifications and names its window and its changed state.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "common/text.h"
#include "rules/visual_list.h"
#include "ui/framework/window_base.h"

// Sent by the tree to its parent as a WM_NOTIFY code when it gets the focus.
constexpr UINT kTreeFocusCode = 1148;
// Posted to the tree after the space bar has toggled a box; the tree answers its parent with a
// WM_NOTIFY of the same code whose idFrom carries the selected item.
constexpr UINT kTreeReportSelection = 1147;

// The tree view, subclassed to tell its parent of the focus and of the selected item on request.
class rules_tree_control : public window_base {
 public:
  LRESULT process_message(UINT message, WPARAM wparam, LPARAM lparam) override;
  LRESULT on_set_focus(HWND previous) override;

 private:
  void notify_parent(UINT code, UINT_PTR id);
};

class rules_tree_dialogue {
 public:
  rules_tree_dialogue() = default;
  virtual ~rules_tree_dialogue();
  rules_tree_dialogue(const rules_tree_dialogue&) = delete;
  rules_tree_dialogue& operator=(const rules_tree_dialogue&) = delete;

  // The window of the page that hosts the tree and the buttons.
  virtual HWND owner_window() = 0;
  // Tells the sheet that the page has unsaved changes.
  virtual void notify_changed() = 0;

  // Binds the tree of the owner window and loads the list file of the settings folder.
  void init(const char* file_name);
  void load_and_fill();
  // A button click of the page (notification code 0); true when it was one of the four buttons.
  bool command(WPARAM wparam);
  // A notification of the page; the value for the tree, or 0 when it was not the tree's.
  LRESULT notify(NMHDR* header);
  void save_if_modified();

  bool saved() const { return saved_; }
  bool modified() const { return modified_; }
  void set_modified_list(bool on) { modified_ = on; }
  int item_count() const { return item_count_; }
  const text& path() const { return path_; }
  visual_list& list() { return list_; }
  HWND tree() const { return tree_.window(); }

 private:
  void add_rule();
  void edit_rule();
  void copy_rule();
  void delete_rule();
  rule_entry* selected_entry(HTREEITEM* item);
  rule_entry* entry_of(HTREEITEM item);
  void insert_item(rule_entry* entry);
  void show_state(HTREEITEM item, const rule_entry& entry);
  void set_item_count(int count);
  void mark_changed();
  void set_default_button();
  LRESULT on_get_text(NMHDR* header);
  void on_click();
  LRESULT on_end_label_edit(NMHDR* header);
  void on_space_toggled(HTREEITEM item);

  rules_tree_control tree_;
  text path_;
  visual_list list_;
  bool saved_ = false;
  bool modified_ = false;
  int item_count_ = 0;
};
