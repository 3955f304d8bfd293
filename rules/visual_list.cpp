#include "rules/visual_list.h"

#include <string>

#include "common/file_replace.h"

namespace {

// Reads the file through a read-only view; nothing is read beyond the size of the open file.
void read_mapped(const text& path, rule_list& entries) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  // The size is taken again from this handle: the file may have changed since the first query, and
  // while this handle is open nobody can write to it.
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 || size.QuadPart > MAXDWORD) {
    CloseHandle(file);
    return;
  }
  DWORD bytes = static_cast<DWORD>(size.QuadPart);
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, bytes, nullptr);
  if (!mapping) {
    CloseHandle(file);
    return;
  }
  const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, bytes);
  if (view) {
    entries.read(static_cast<const char*>(view), bytes);
    UnmapViewOfFile(view);
  }
  CloseHandle(mapping);
  CloseHandle(file);
}

// A failed query counts as no file.
bool list_file_exists(const text& path) {
  HANDLE probe = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  DWORD low = GetFileSize(probe, &high);
  bool ok = !(low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR);
  CloseHandle(probe);
  return ok;
}

}  // namespace

text temporary_list_name(const text& path) {
  size_t cut = path.size();
  while (cut > 0 && path[cut - 1] != '\\' && path[cut - 1] != '/') --cut;
  text out(path.c_str(), cut);
  out.append("~", 1);
  out.append(path.c_str() + cut, path.size() - cut);
  return out;
}

void visual_list::load(const text& path) {
  list_file_holder::set_path(path);
  entries_.clear();
  if (path.empty() || !list_file_exists(path)) return;
  read_mapped(path, entries_);
}

void visual_list::clear() {
  list_file_holder::clear();
  entries_.clear();
}

uint32_t visual_list::save(move_file_fn move) {
  // Without a path there is no folder to write in; "~" alone would land in the current folder.
  if (path().empty()) return kListTempFailed;
  const text temp = temporary_list_name(path());
  const std::string bytes = entries_.write();
  // A temporary file that cannot be written completely is removed: a short file must never replace
  // the list.
  if (!write_whole_file(temp.c_str(), bytes.data(), bytes.size(), FILE_ATTRIBUTE_TEMPORARY).ok())
    return kListTempFailed;

  // A backup left by an interrupted save while the list file exists is stale and is replaced.
  const text backup = temporary_list_name(temp);
  bool moved_aside = move(path().c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!moved_aside && GetLastError() != ERROR_FILE_NOT_FOUND) return kListBackupFailed;

  if (move(temp.c_str(), path().c_str(), 0)) {
    // Only a backup made by this save is removed: an older one may be the only copy of a list.
    if (moved_aside) DeleteFileA(backup.c_str());
    entries_.take_snapshots();
    return kListSaved;
  }
  DWORD error = GetLastError();
  if (moved_aside) move(backup.c_str(), path().c_str(), 0);
  SetLastError(error);
  return kListReplaceFailed;
}
