// An ordered list of owned rule entries in file order: appended at the end, never sorted, duplicates
// allowed. Entries are deleted through their virtual destructor when removed or cleared.
#pragma once
#include <cstddef>
#include <list>
#include <memory>
#include <string>

#include "rules/rule_entry.h"

class rule_list {
 public:
  using container = std::list<std::unique_ptr<rule_entry>>;
  using iterator = container::iterator;
  using const_iterator = container::const_iterator;

  rule_list() = default;
  rule_list(const rule_list&) = delete;
  rule_list& operator=(const rule_list&) = delete;

  // Takes ownership; a null entry is ignored. Returns the entry.
  rule_entry* append(rule_entry* entry);
  // Removes and deletes the entry; false when it is not in this list.
  bool remove(rule_entry* entry);
  void clear() { entries_.clear(); }
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  iterator begin() { return entries_.begin(); }
  iterator end() { return entries_.end(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

  // Appends the entries of size bytes of a list file; rules that fail to parse become failed entries.
  void read(const char* data, size_t size);
  // The list in its written form; an empty list gives no bytes.
  std::string write() const;
  void take_snapshots();

 private:
  container entries_;
};
