#include "host/progress.h"

#include <cstdio>

namespace {
constexpr ULONGLONG kRedrawMs = 200;
}

progress_line::progress_line(size_t total) : total_(total) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode;
  if (out != INVALID_HANDLE_VALUE && out && GetConsoleMode(out, &mode)) out_ = out;
  started_ = drawn_ = GetTickCount64();
}

void progress_line::update(size_t done) {
  if (!out_) return;
  ULONGLONG now = GetTickCount64();
  if (now - drawn_ < kRedrawMs) return;
  drawn_ = now;
  double seconds = static_cast<double>(now - started_) / 1000.0;
  char line[128];
  int n = std::snprintf(line, sizeof(line), "\r%zu/%zu messages, %.0f messages/s", done, total_,
                        seconds > 0 ? static_cast<double>(done) / seconds : 0.0);
  if (n <= 0) return;
  if (n > static_cast<int>(sizeof(line)) - 1) n = sizeof(line) - 1;
  std::fflush(stdout);  // keep the line after anything printed before it
  DWORD written;
  WriteConsoleA(out_, line, static_cast<DWORD>(n), &written, nullptr);
  width_ = n;
}

void progress_line::finish() {
  if (!out_ || width_ == 0) return;
  char blank[130];
  int n = width_ < 128 ? width_ : 128;
  blank[0] = '\r';
  for (int i = 1; i < n; ++i) blank[i] = ' ';
  blank[n] = '\r';
  DWORD written;
  WriteConsoleA(out_, blank, static_cast<DWORD>(n + 1), &written, nullptr);
  width_ = 0;
}
