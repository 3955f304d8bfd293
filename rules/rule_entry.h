// One element of a black or white list: a rule with its enabled state, the state of its last parse
// and a snapshot that tells whether the user changed it since it was loaded or saved.
#pragma once
#include <cstdint>

#include "rules/rule_item.h"

enum parse_status_code : uint32_t {
  kParsed = 0,
  kParseFailed = 1,          // a reason text is held
  kParseFailedNoReason = 2,  // the reason could not be loaded
};

class rule_entry : public rule_item {
 public:
  rule_entry() = default;
  // Parses the rule text through the error guard; a bad text gives a failed entry, never a throw.
  rule_entry(const text& new_name, const text& rule_text);
  rule_entry(uint32_t new_flags, uint32_t new_part, const text& new_name, const text& new_value);

  void hook() override {}
  // A rule that failed without a reason shows the keyword text that failed.
  void get_value(text& out) const override;
  void set(uint32_t new_flags, uint32_t new_part, const text& new_name, const text& new_value) override;
  void parse(const text& new_name, const text& rule_text) override;

  void take_snapshot();
  // True (and changed set) when name, value, part, flags or enabled differ from the snapshot.
  bool compare_with_snapshot();

  bool failed() const { return parse_status != kParsed; }

  bool enabled = true;
  uint32_t parse_status = kParsed;
  uint64_t error_position = 0;
  text error_reason;
  text error_source;
  text error_detail;
  text saved_name;
  text saved_value;
  uint32_t saved_part = kPartAny;
  uint32_t saved_flags = kRuleDefaultFlags;
  bool saved_enabled = false;
  bool snapshot_taken = false;
  bool changed = false;

  // The rule text as last given to parse, and whether it stood behind the disabled marker in its
  // file. A failed entry is written back from these, so the user's text survives a save.
  text original_text;
  bool original_disabled = false;

 private:
  void on_error(const regexcept& e);
};
