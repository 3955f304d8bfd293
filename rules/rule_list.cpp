#include "rules/rule_list.h"

#include "rules/list_format.h"

rule_entry* rule_list::append(rule_entry* entry) {
  if (entry) entries_.emplace_back(entry);
  return entry;
}

bool rule_list::remove(rule_entry* entry) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->get() == entry) {
      entries_.erase(it);
      return true;
    }
  }
  return false;
}

void rule_list::read(const char* data, size_t size) {
  read_list_lines(data, size, [this](const text& name, const char* rule, size_t n, bool disabled) {
    auto* entry = append(new rule_entry(name, text(rule, n)));
    entry->original_disabled = disabled;
    if (disabled) entry->enabled = false;
  });
}

std::string rule_list::write() const {
  std::string out;
  bool first = true;
  for (const auto& entry : entries_) {
    append_list_entry(*entry, first, out);
    first = false;
  }
  return out;
}

void rule_list::take_snapshots() {
  for (auto& entry : entries_) entry->take_snapshot();
}
