#include "common/file_replace.h"

#include <algorithm>
#include <string>

namespace {

constexpr DWORD kWriteChunk = 1u << 20;

write_outcome failure(write_step step, size_t written) {
  write_outcome out;
  out.failed = step;
  out.error = GetLastError();
  out.written = written;
  return out;
}

write_outcome write_all(HANDLE file, const uint8_t* bytes, size_t size) {
  size_t done = 0;
  while (done < size) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, kWriteChunk));
    DWORD written = 0;
    if (!WriteFile(file, bytes + done, chunk, &written, nullptr)) return failure(write_step::kWrite, done);
    if (written == 0) return failure(write_step::kShortWrite, done);
    done += written;
  }
  if (!FlushFileBuffers(file)) return failure(write_step::kFlush, done);
  write_outcome out;
  out.written = done;
  return out;
}

uint64_t file_time_ms(const FILETIME& t) {
  return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000;
}

}  // namespace

write_outcome write_whole_file(const char* path, const void* data, size_t size, DWORD attributes) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
  if (file == INVALID_HANDLE_VALUE) return failure(write_step::kCreate, 0);
  write_outcome out = write_all(file, static_cast<const uint8_t*>(data), size);
  CloseHandle(file);
  if (!out.ok()) {
    DeleteFileA(path);  // a short file must never stand in for a whole one
    SetLastError(out.error);
  }
  return out;
}

write_outcome replace_file(const char* target, const char* temp, const void* data, size_t size) {
  write_outcome out = write_whole_file(temp, data, size);
  if (out.ok() && MoveFileExA(temp, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return out;
  if (out.ok()) out = failure(write_step::kMove, out.written);
  DeleteFileA(temp);  // also one that a caller reserved by name before a failed create
  SetLastError(out.error);
  return out;
}

void remove_stale_files(const char* folder, const char* pattern, unsigned min_age_ms) {
  std::string base(folder);
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((base + pattern).c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  FILETIME now_ft;
  GetSystemTimeAsFileTime(&now_ft);
  uint64_t now = file_time_ms(now_ft);
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    uint64_t written = file_time_ms(found.ftLastWriteTime);
    // A file dated in the future (a clock set back) is not known to be stale.
    if (min_age_ms == 0 || (now >= written && now - written >= min_age_ms))
      DeleteFileA((base + found.cFileName).c_str());
  } while (FindNextFileA(find, &found));
  FindClose(find);
}
