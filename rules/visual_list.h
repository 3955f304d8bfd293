// A rule list bound to its file ("whitelist.txt" or "blacklist.txt" in the settings folder).
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/text.h"
#include "rules/rule_list.h"

// Results of visual_list::save.
enum list_save_result : uint32_t {
  kListSaved = 0,
  kListTempFailed = 1,     // the temporary file could not be created or written
  kListBackupFailed = 2,   // the old file could not be moved aside; it is untouched
  kListReplaceFailed = 3,  // the new file could not be moved into place; the old one is back
};

class list_file_holder {
 public:
  list_file_holder() = default;
  list_file_holder(const list_file_holder&) = delete;
  list_file_holder& operator=(const list_file_holder&) = delete;
  virtual ~list_file_holder() = default;

  virtual void set_path(const text& path) { path_ = path; }
  virtual void clear() { path_.clear(); }
  const text& path() const { return path_; }

 private:
  text path_;
};

// The move used by save; a parameter so that a test can make one step fail.
using move_file_fn = BOOL(WINAPI*)(LPCSTR from, LPCSTR to, DWORD flags);

class visual_list : public list_file_holder {
 public:
  // Replaces the entries by the file's; a missing, empty or unreadable file gives an empty list.
  void load(const text& path);
  void set_path(const text& path) override { load(path); }
  void clear() override;

  // Writes the list through a temporary file and a backup of the old one; see list_save_result.
  uint32_t save(move_file_fn move = MoveFileExA);

  rule_list& entries() { return entries_; }
  const rule_list& entries() const { return entries_; }
  rule_entry* append(rule_entry* entry) { return entries_.append(entry); }
  bool remove(rule_entry* entry) { return entries_.remove(entry); }
  size_t size() const { return entries_.size(); }
  rule_list::iterator begin() { return entries_.begin(); }
  rule_list::iterator end() { return entries_.end(); }

 private:
  rule_list entries_;
};

// The path with "~" put before its file name: ~blacklist.txt beside blacklist.txt.
text temporary_list_name(const text& path);
