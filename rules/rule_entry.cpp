#include "rules/rule_entry.h"

#include <cstring>
#include <utility>

namespace {
// Texts may hold NUL bytes read from a file, so they are compared by size and bytes.
bool same_text(const text& a, const text& b) {
  return a.size() == b.size() && std::memcmp(a.c_str(), b.c_str(), a.size()) == 0;
}
}  // namespace

rule_entry::rule_entry(const text& new_name, const text& rule_text) { parse(new_name, rule_text); }

rule_entry::rule_entry(uint32_t new_flags, uint32_t new_part, const text& new_name, const text& new_value) {
  set(new_flags, new_part, new_name, new_value);
}

void rule_entry::get_value(text& out) const {
  if (parse_status == kParseFailedNoReason) {
    out = error_source;
  } else {
    out = value;
  }
}

void rule_entry::set(uint32_t new_flags, uint32_t new_part, const text& new_name, const text& new_value) {
  try {
    rule_item::set(new_flags, new_part, new_name, new_value);
    enabled = true;
    parse_status = kParsed;
  } catch (const regexcept& e) { on_error(e); }
}

void rule_entry::parse(const text& new_name, const text& rule_text) {
  text kept(rule_text);  // rule_text may be one of our own fields
  try {
    rule_item::parse(new_name, rule_text);
    enabled = true;
    parse_status = kParsed;
  } catch (const regexcept& e) { on_error(e); }
  original_text = std::move(kept);
}

void rule_entry::on_error(const regexcept& e) {
  error_source = e.source;
  if (e.reason.empty()) {
    parse_status = kParseFailedNoReason;
    return;
  }
  enabled = false;
  error_detail = e.detail;
  parse_status = kParseFailed;
  error_position = e.position;
  error_reason = e.reason;
}

void rule_entry::take_snapshot() {
  saved_name = name;
  saved_value = value;
  saved_part = part;
  saved_flags = flags;
  saved_enabled = enabled;
  snapshot_taken = true;
  changed = false;
}

bool rule_entry::compare_with_snapshot() {
  if (!snapshot_taken) {
    changed = false;
    return false;
  }
  changed = !same_text(name, saved_name) || !same_text(value, saved_value) || part != saved_part ||
            flags != saved_flags || enabled != saved_enabled;
  return changed;
}
