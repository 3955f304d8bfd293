// Dialogs and property pages: window objects bound to windows that the dialog manager makes from
// templates of the resource instance. A modal dialog is bound at WM_INITDIALOG and unbound at
// WM_NCDESTROY; a page is bound when its sheet first shows it.
//
// The virtual operations go on from the 65 of window_base in a fixed order (slot numbers in the
// comments). User-interface thread only.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "ui/framework/window_base.h"

class dialog_base : public window_base {
 public:
  // The template is the dialog resource of this ordinal in the resource instance.
  explicit dialog_base(unsigned template_id);

  virtual void on_ok();                              // 65: end_dialog (IDOK)
  virtual void on_cancel();                          // 66: end_dialog (IDCANCEL)
  virtual void end_dialog(int result);               // 67: keeps the result, then EndDialog
  virtual BOOL is_dialog_message(MSG* message);      // 68: IsDialogMessageA
  virtual BOOL pre_translate_message(MSG* message);  // 69: as is_dialog_message

  // Puts the template's help ids on the controls and applies its dialog init data; returns 0 (the
  // dialog manager sets no focus).
  LRESULT on_init_dialog() override;
  // Only the whole wparam IDOK or IDCANCEL (a click, Enter or Escape) ends the dialog: the same ids
  // with another notification code, such as 1 from an accelerator, do not. Answers 1 for those two,
  // 0 for everything else.
  LRESULT on_command(WPARAM wparam) override;
  // The help popup of the control the request names.
  LRESULT on_help(HELPINFO* info) override;

  // Runs the dialog modally inside the module's activation context. The dialog result; 0 or less
  // when no dialog was made.
  INT_PTR do_modal(HWND parent);
  // Fills a sheet's page record for this dialog's template, used in place; false (record untouched)
  // when the resource instance lacks the template.
  bool fill_page_record(PROPSHEETPAGEA* record);

  unsigned template_id() const { return template_id_; }
  // -2 until the dialog ends.
  int modal_result() const { return modal_result_; }

 private:
  unsigned template_id_;
  int modal_result_ = -2;
};

class property_page : public dialog_base {
 public:
  explicit property_page(unsigned template_id);

  // The dispatcher; a nonzero answer to WM_NOTIFY is also left in DWLP_MSGRESULT, where the sheet
  // looks for it.
  LRESULT process_message(UINT message, WPARAM wparam, LPARAM lparam) override;
  // PSN_APPLY calls on_ok; the sheet's notifications go to slots 70 to 75. A zero answer is
  // reflected, so that the sheet learns of PSN_SETACTIVE.
  LRESULT on_notify(WPARAM control_id, NMHDR* header) override;
  // Apply never ends the sheet's dialog: it only clears the page's changed state.
  void on_ok() override;

  virtual LRESULT on_wizard_next();    // 70: PSN_WIZNEXT
  virtual LRESULT on_wizard_back();    // 71: PSN_WIZBACK
  virtual LRESULT on_wizard_finish();  // 72: PSN_WIZFINISH
  virtual LRESULT on_set_active();     // 73: PSN_SETACTIVE
  virtual LRESULT on_kill_active();    // 74: PSN_KILLACTIVE; nonzero keeps the sheet on this page
  virtual LRESULT on_query_cancel();   // 75: PSN_QUERYCANCEL

  // Tells the sheet that the page has (or no longer has) changes, which enables its Apply button.
  void set_modified(bool changed);
};

class settings_page : public property_page {
 public:
  explicit settings_page(unsigned template_id);

  // Apply writes the controls back through save_settings, then clears the changed state.
  void on_ok() override;
  virtual void save_settings();  // 76: nothing in the base
};

// The dialog procedure that do_modal gives the dialog manager: binds the object named by
// WM_INITDIALOG's lparam; every other message answers 0, so that the dialog manager does its own
// processing when the object's default processing reaches DefDlgProcA.
INT_PTR CALLBACK modal_dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The same for pages, whose WM_INITDIALOG lparam is the page record naming the object.
INT_PTR CALLBACK page_dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Gives each direct child the help id of its item in the extended template of that ordinal, where the
// dialog manager left it without one. Windows sets them itself; Wine's dialog manager sets only the
// dialog's own, which would leave F1 on a control asking for no help at all.
void apply_template_help_ids(HWND dialog, unsigned template_id);

// Fills the dialog's list and combo boxes from the RT_DLGINIT resource of the template's ordinal in
// the resource instance. None is normal (true); false when the data is cut short, after applying the
// whole entries before the cut.
bool apply_dialog_init_data(HWND dialog, unsigned template_id);
