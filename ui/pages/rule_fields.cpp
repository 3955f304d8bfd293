#include "ui/pages/rule_fields.h"

#include "rules/rule_entry.h"

uint32_t operator_index_of(uint32_t flags) {
  uint32_t op = flags & kRuleOperatorMask;
  if (op > kOpMatches) op = kOpContains;
  return (flags & kRuleNot) ? op + kNegatedItemOffset : op;
}

uint32_t flags_of(uint32_t operator_index, bool case_sensitive) {
  if (operator_index >= kOperatorItems) operator_index = 0;
  uint32_t flags =
      operator_index < kNegatedItemOffset ? operator_index : (operator_index - kNegatedItemOffset) | kRuleNot;
  return case_sensitive ? flags : flags | kRuleNoCase;
}

rule_fields fields_of(const rule_entry& entry) {
  rule_fields f;
  f.part_index = entry.part < kPartItems ? entry.part : kPartAny;
  f.operator_index = operator_index_of(entry.flags);
  f.case_sensitive = (entry.flags & kRuleNoCase) == 0;
  f.name = entry.name;
  entry.get_value(f.value);
  return f;
}

text unnamed_rule_name(uint32_t part, uint32_t flags, const text& value, const text& unnamed_text) {
  rule_item rule;
  rule.part = part;
  rule.flags = flags;
  text name;
  rule.describe(name);
  name.append(value);
  return name.empty() ? unnamed_text : name;
}

void store_fields(const rule_fields& fields, const text& unnamed_text, rule_entry& entry) {
  uint32_t part = fields.part_index < kPartItems ? fields.part_index : kPartAny;
  uint32_t flags = flags_of(fields.operator_index, fields.case_sensitive);
  entry.part = part;
  entry.flags = flags;
  entry.value = fields.value;
  entry.name = fields.name.empty() ? unnamed_rule_name(part, flags, fields.value, unnamed_text) : fields.name;
  if (entry.failed()) {
    // The user has rewritten the rule whole; its old error no longer applies.
    entry.parse_status = kParsed;
    entry.enabled = !entry.original_disabled;
  }
}
