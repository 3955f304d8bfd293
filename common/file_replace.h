// Writing a file so that a crash, a full disk or a refused move never costs the old one: the bytes go
// to a temporary file beside the target, are flushed to disk, and the temporary file is moved over
// the target. A failed step removes the temporary file; GetLastError is left as the step left it.
#pragma once
#include <windows.h>

#include <cstddef>

enum class write_step { kNone, kCreate, kWrite, kShortWrite, kFlush, kMove };

struct write_outcome {
  write_step failed = write_step::kNone;
  DWORD error = 0;     // GetLastError of the failed step
  size_t written = 0;  // bytes that reached the file
  bool ok() const { return failed == write_step::kNone; }
};

// Creates (or truncates) path, writes every byte and flushes it; a file not written whole is removed.
write_outcome write_whole_file(const char* path, const void* data, size_t size,
                               DWORD attributes = FILE_ATTRIBUTE_NORMAL);
// write_whole_file into temp (a name beside target), then moves it over target.
write_outcome replace_file(const char* target, const char* temp, const void* data, size_t size);
// Removes the files of folder (ending in a backslash) that match pattern and were last written at
// least min_age_ms ago (0: all of them): temporary files of a save that a dead process left behind.
void remove_stale_files(const char* folder, const char* pattern, unsigned min_age_ms);
