// Loading the storage file through a read-only mapping, and saving it so that a crash or a full disk
// during the write never costs the old file.
#include <windows.h>

#include <vector>

#include "common/file_replace.h"
#include "common/paths.h"
#include "log/log.h"
#include "settings/storage.h"

namespace {

// Each message names the file the same way: a blank and the name in double quotes.
void report(uint32_t level, const char* what, const char* file) {
  if (log_level() == 0 || !log_enabled(level)) return;
  log_stream(nullptr) << what << " \"" << file << '"';
}

// The texts that carry the error code, and the byte count for a short write.
void report_write_error(const char* what, const char* file, const write_outcome& out) {
  if (log_level() == 0 || !log_enabled(1)) return;
  log_stream line(nullptr);
  line << what << " \"" << file << "\", err = " << static_cast<unsigned long>(out.error);
  if (out.failed == write_step::kShortWrite) line << ", wrote " << static_cast<unsigned long>(out.written);
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

constexpr const char* kTempPrefix = "rmx";
constexpr const char* kTempPattern = "rmx*.tmp";
// A save takes milliseconds; a temporary file this old belongs to a process that died during one.
constexpr unsigned kStaleTempMs = 60 * 1000;

text folder_of(const char* file) {
  text folder(file);
  path_remove_file_name(folder);
  return folder;
}

// Reports a failed save in the words of the step that failed.
void report_save_failure(const char* name, const write_outcome& out) {
  switch (out.failed) {
    case write_step::kWrite:
    case write_step::kFlush: report_write_error("error writing", name, out); break;
    case write_step::kShortWrite: report_write_error("can't write all data to", name, out); break;
    default: report(1, "can't create file", name); break;  // the temporary file or its move into place
  }
}

}  // namespace

bool settings_storage::load_file(bool must_exist) {
  // Whatever the failure, a failed load leaves the storage empty, as a failed parse does.
  clear();
  const char* name = file_name();
  text folder = folder_of(name);
  if (!folder.empty()) remove_stale_files(folder.c_str(), kTempPattern, kStaleTempMs);
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
  text folder = folder_of(name);
  char tmp[MAX_PATH] = {};
  if (!GetTempFileNameA(folder.empty() ? "." : folder.c_str(), kTempPrefix, 0, tmp)) {
    report(1, "can't create file", name);
    return false;
  }
  write_outcome out = replace_file(name, tmp, bytes.data(), bytes.size());
  if (!out.ok()) {
    report_save_failure(name, out);
    return false;
  }
  set_modified(false);
  return true;
}
