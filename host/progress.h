// A progress line for long runs on a console: redrawn at most every 200 ms, erased at the end, and
// never written when the output goes to a file or a pipe.
#pragma once
#include <windows.h>

#include <cstddef>

class progress_line {
 public:
  explicit progress_line(size_t total);
  ~progress_line() { finish(); }
  void update(size_t done);
  void finish();

 private:
  HANDLE out_ = nullptr;  // null when stdout is not a console
  size_t total_;
  ULONGLONG started_ = 0;
  ULONGLONG drawn_ = 0;
  int width_ = 0;  // of the line last drawn, to erase it
};
