// The modal property sheet: its header record and page records, button captions from the resource
// instance, all pages given the size of the largest one, the sheet bound by subclassing once the
// common controls have made it, and centred on its parent (or the desktop) when it first shows a page.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "ui/framework/window_base.h"

// The buttons whose captions a sheet may replace, in the order of their string ids.
enum class sheet_button { back, next, finish, cancel, help };
constexpr int kSheetButtonCount = 5;

class property_sheet : public window_base {
 public:
  // The header takes the resource instance of this moment.
  property_sheet();
  ~property_sheet() override;

  // 65: runs the sheet modally inside the module's activation context; the PropertySheetA result
  // (-1 when the common controls cannot be reached).
  virtual INT_PTR do_modal(HWND parent);

  // Puts the button captions from the string table and adapts the controls to the sheet's width.
  void on_attached() override;
  LRESULT on_notify(WPARAM control_id, NMHDR* header) override;
  // PSN_SETACTIVE, reflected by a page, centres the sheet the first time. Answers 0.
  LRESULT on_reflected_notify(NMHDR* header, int* handled) override;

  // Room for count page records, zeroed, for the pages to fill; the old array is freed.
  PROPSHEETPAGEA* set_page_count(unsigned count);
  PROPSHEETPAGEA* page(unsigned index);
  unsigned page_count() const { return header_.nPages; }
  // A copy of the caption is kept for the life of the sheet.
  void set_caption(const char* caption);
  // String id of a button's caption; 0 keeps the system's text.
  void set_button_text(sheet_button button, unsigned string_id);

  PROPSHEETHEADERA& header() { return header_; }
  bool centred() const { return centred_; }

 private:
  void centre();

  PROPSHEETHEADERA header_ = {};
  bool centred_ = false;
  unsigned button_text_[kSheetButtonCount] = {};
};

// Gives every page made from an in-memory template the largest width and height among them (at
// least the minimum), in dialog units, by writing into the templates. False when the header uses no
// page records or no page has a readable template.
bool equalize_page_sizes(PROPSHEETHEADERA* header, unsigned min_width, unsigned min_height);
