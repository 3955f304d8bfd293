// What the rule edit dialog shows of a rule, and how it is written back: the message part and
// comparison as drop-down item indexes, the case check box, the value and the name. Free of Win32,
// so the mapping is tested natively too.
#pragma once
#include <cstdint>

#include "common/text.h"

class rule_entry;

// Comparison items 0 to 4 are the five operators, 5 to 9 the same operators negated.
constexpr uint32_t kOperatorItems = 10;
constexpr uint32_t kNegatedItemOffset = 5;
// Message part items 0 to 7 are the rule_part values.
constexpr uint32_t kPartItems = 8;

// The comparison item of a rule's flags. An operator the parser never produces (5 to 7) shows as
// "contains", the parser's default, rather than as no selection at all.
uint32_t operator_index_of(uint32_t flags);
// The flags of a comparison item and the case check box; an item out of range counts as item 0.
uint32_t flags_of(uint32_t operator_index, bool case_sensitive);

struct rule_fields {
  uint32_t part_index = 0;
  uint32_t operator_index = 0;
  bool case_sensitive = false;
  text value;
  text name;
};

// The fields of an entry; the value comes through get_value, so a rule that failed to parse without
// a reason shows the keyword text that failed.
rule_fields fields_of(const rule_entry& entry);

// The name of a rule the user left unnamed: its keyword text followed by the value ("Subject starts
// x"), or unnamed_text when that is empty too.
text unnamed_rule_name(uint32_t part, uint32_t flags, const text& value, const text& unnamed_text);

// Writes the fields into the entry. An entry that had failed to parse is a valid rule afterwards: it
// is written in its canonical form and keeps the enabled state its line had in the file.
void store_fields(const rule_fields& fields, const text& unnamed_text, rule_entry& entry);
