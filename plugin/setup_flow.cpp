// The configuration behind TBP_Setup: the sheet with the white and black list pages, then what
// follows it: the settings record saved, the option "train by sent items" synchronised with the
// engine, and the engine told which list files were saved.
#include <windows.h>

#include <cstdint>

#include "engine/tb_spam.h"
#include "log/log.h"
#include "plugin/client_plugin.h"
#include "settings/plugin_settings.h"
#include "ui/framework/resource_ids.h"
#include "ui/pages/list_pages.h"

namespace {

// Bits of the engine's list reload.
constexpr uint8_t kReloadWhiteList = 1;
constexpr uint8_t kReloadBlackList = 2;
constexpr INT_PTR kSheetSaved = 1;

// Runs the sheet modally over owner; 0 when a page template is missing and nothing was shown.
INT_PTR run_sheet(white_list_page& white, black_list_page& black, HWND owner) {
  configuration_sheet sheet;
  sheet.title_string_id = IDS_SHEET_TITLE;
  sheet.set_page_count(2);
  if (!white.fill_page_record(sheet.page(0)) || !black.fill_page_record(sheet.page(1))) {
    RLOG("[-] the configuration pages are missing from the resource library");
    return 0;
  }
  return sheet.do_modal(owner);
}

}  // namespace

int client_plugin::setup() {
  plugin_settings* record = current_plugin_settings();
  white_list_page white(record);
  black_list_page black;
  bool saved = run_sheet(white, black, owner_window()) == kSheetSaved;
  RLOG("[i] saving values if necessary(%d)", saved ? 1 : 0);
  if (record) record->save_if_modified();
  uint8_t mask = 0;
  if (white.saved()) mask |= kReloadWhiteList;
  if (black.saved()) mask |= kReloadBlackList;
  aspam* wrapper = current_engine_wrapper();
  if (white.sent_items_changed()) {
    RLOG("[i] synchronization option 'train by sent items' with server");
    if (wrapper) wrapper->sync_train_by_sent();
  }
  RLOG("[i] reloading black/white lists");
  if (wrapper) wrapper->reload_lists(mask);
  return 0;
}
