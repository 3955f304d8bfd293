// The configuration sheet and its two pages: the white list page (template 211, which also carries
// the hidden options "train by sent items" and "train by sent address book") and the black list page
// (template 212). Each page edits its list file through its rules_tree_dialogue.
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/product_keys.h"
#include "settings/plugin_settings.h"
#include "ui/framework/dialog_base.h"
#include "ui/framework/property_sheet.h"
#include "ui/pages/rules_tree_dialogue.h"

// What both pages share: the tree dialogue bound to the page's window and changed state.
class list_page : public settings_page, public rules_tree_dialogue {
 public:
  list_page(unsigned template_id, const char* file_name);

  HWND owner_window() override { return window(); }
  void notify_changed() override { set_modified(true); }

  LRESULT on_init_dialog() override;
  LRESULT on_notify(WPARAM control_id, NMHDR* header) override;
  void on_ok() override;

 private:
  const char* file_name_;
};

class white_list_page : public list_page {
 public:
  explicit white_list_page(plugin_settings* record);

  LRESULT on_init_dialog() override;
  LRESULT on_command(WPARAM wparam) override;
  void on_ok() override;

  bool sent_items_changed() const { return sent_items_changed_; }

 private:
  void hide_options();

  plugin_settings* record_;  // shared, not owned
  bool address_book_ = false;
  bool sent_items_ = false;
  bool sent_items_changed_ = false;
};

class black_list_page : public list_page {
 public:
  black_list_page();

  LRESULT on_command(WPARAM wparam) override;
};

// The property sheet with its title from the string table.
class configuration_sheet : public property_sheet {
 public:
  void on_attached() override;

  uint32_t title_string_id = 0;
};
