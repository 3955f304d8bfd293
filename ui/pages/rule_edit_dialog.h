// rule_edit_dialog: the modal dialog (template 210) in which the user edits one rule: its message
// part, its comparison, whether case matters, its value and its name. Run without an entry it adds
// a rule: the caller stores the confirmed fields into a new entry with store_into.
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/text.h"
#include "rules/rule_entry.h"
#include "ui/framework/dialog_base.h"
#include "ui/pages/rule_fields.h"

class rule_edit_dialog : public dialog_base {
 public:
  explicit rule_edit_dialog(rule_entry* entry);

  LRESULT on_init_dialog() override;
  LRESULT on_command(WPARAM wparam) override;
  void on_ok() override;

  // Moves one field (by its control id) or every field (id 0) to the controls or back.
  void transfer(bool to_controls, int control_id);
  void load_from_entry();
  // Writes the fields into the entry; an empty name becomes the rule's keywords and value.
  void store_into(rule_entry& entry) const;

  const rule_fields& fields() const { return fields_; }

 private:
  void fill_combo(int control_id, const unsigned* string_ids, size_t count);
  void enable_ok();

  rule_entry* entry_;
  rule_fields fields_;
};
