// Loading the storage file through a read-only mapping, and saving it so that a crash or a full disk
// during the write never costs the old file.
#include <windows.h>

#include <vector>

#include "common/paths.h"
#include "log/log.h"
#include "settings/storage.h"

namespace {

// Each message names the file the same way: a blank and the name in double quotes.
void report(uint32_t level, const char* what, const char* file) {
  if (log_level() == 0 || !log_enabled(level)) return;
  log_stream(nullptr) << what << " \"" << file << '"';
}

void report_error(const char* what, const char* file, DWORD err) {
  if (log_level() == 0 || !log_enabled(1)) return;
  log_stream(nullptr) << what << " \"" << file << "\", err = " << static_cast<unsigned long>(err);
}

struct file_closer {
  HANDLE h;
  ~file_closer() {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

struct view_closer {
  const void* p;
  ~view_closer() {
    if (p) UnmapViewOfFile(p);
  }
};

// Writes all bytes into a fresh file beside the target; true leaves the temporary name in tmp.
bool write_temporary(const char* target, const std::vector<uint8_t>& bytes, text* tmp) {
  text folder(target);
  path_remove_file_name(folder);
  char name[MAX_PATH] = {};
  if (!GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "rmx", 0, name)) {
    report_error("can't create file", target, GetLastError());
    return false;
  }
  tmp->assign(name);
  file_closer file{CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.h == INVALID_HANDLE_VALUE) {
    report_error("can't create file", target, GetLastError());
    return false;
  }
  DWORD written = 0;
  if (!WriteFile(file.h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    report_error("error writing", target, GetLastError());
    return false;
  }
  if (written != bytes.size()) {
    DWORD err = GetLastError();
    if (log_level() != 0 && log_enabled(1))
      log_stream(nullptr) << "can't write all data to \"" << target
                          << "\", err = " << static_cast<unsigned long>(err) << ", wrote "
                          << static_cast<unsigned long>(written);
    return false;
  }
  if (!FlushFileBuffers(file.h)) {
    report_error("error writing", target, GetLastError());
    return false;
  }
  return true;
}

}  // namespace

bool settings_storage::load_file(bool must_exist) {
  // Whatever the failure, a failed load leaves the storage empty, as a failed parse does.
  clear();
  const char* name = file_name();
  file_closer file{CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.h == INVALID_HANDLE_VALUE) {
    report(must_exist ? 1 : 2, "can't open file", name);
    return false;
  }
  DWORD high = 0;
  DWORD size = GetFileSize(file.h, &high);
  // An empty file cannot be mapped, and one beyond 4 GB is no storage of ours.
  file_closer mapping{size == 0 || high != 0
                          ? nullptr
                          : CreateFileMappingA(file.h, nullptr, PAGE_READONLY, 0, size, nullptr)};
  if (!mapping.h) {
    report(1, "can't create file mapping from", name);
    return false;
  }
  view_closer view{MapViewOfFile(mapping.h, FILE_MAP_READ, 0, 0, size)};
  if (!view.p) {
    report(1, "can't map file from", name);
    return false;
  }
  if (!load_from_memory(static_cast<const uint8_t*>(view.p), size)) {
    report(1, "can't unpack storage from", name);
    return false;
  }
  return true;
}

bool settings_storage::save_file(bool only_if_modified) {
  if (only_if_modified && !is_modified()) return true;
  const char* name = file_name();
  std::vector<uint8_t> bytes;
  if (!pack(&bytes)) {
    report(1, "can't pack data for", name);
    return false;
  }
  text tmp;
  if (!write_temporary(name, bytes, &tmp)) {
    if (!tmp.empty()) DeleteFileA(tmp.c_str());
    return false;
  }
  if (!MoveFileExA(tmp.c_str(), name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    report_error("can't replace file", name, GetLastError());
    DeleteFileA(tmp.c_str());
    return false;
  }
  set_modified(false);
  return true;
}
