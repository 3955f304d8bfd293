// Process-wide diagnostic log. Off unless "EnableZOLTLog" in the machine-wide "Software" key switches
// it on; each entry becomes one line, stamped with the local time, sent to the debugger and/or appended
// to the channel's file. Callers test log_enabled(1) before they format anything, so a disabled log
// costs one call.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "common/text.h"

// Bits of "EnableZOLTLog".
enum log_flag : uint32_t {
  kLogShortStamp = 1,  // time of day only
  kLogToFile = 2,      // append to the channel's file
  kLogToDebugger = 4,  // OutputDebugStringA
  kLogHelpIds = 8,     // read by the help popup, not by the log
  kLogRaw = 16,        // no time stamp, no line end
  kLogThreadId = 32,   // thread id after the stamp
};

class log_facility {
 public:
  // Reads the switches from the registry; the first instance becomes the current one.
  log_facility();
  ~log_facility();
  log_facility(const log_facility&) = delete;
  log_facility& operator=(const log_facility&) = delete;

  bool enabled(uint32_t level) const;
  void line(const char* channel, const char* entry);
  void emit(const char* channel, const char* line);
  void rotate(const char* channel);
  // The file a channel writes to; a name with a colon is a path of its own and is not remembered.
  text channel_path(const char* channel);
  void set_module(HMODULE module);
  void set_folder(const char* folder);
  uint32_t flags() const { return flags_; }
  uint32_t level() const { return level_; }
  const char* folder() const { return folder_.c_str(); }

 private:
  text resolve_locked(const char* channel);
  void compute_default_folder_locked();
  text default_file_name_locked() const;
  static void append_to_file(const char* path, const char* line);

  uint32_t flags_ = 0;
  HANDLE mutex_ = nullptr;
  HMODULE module_ = nullptr;
  uint32_t level_ = 1;
  text folder_;
  std::map<std::string, std::string> channels_;
};

// The process-wide facility, built on first use; null once it has been destroyed at unload.
log_facility* log_instance();

bool log_enabled(uint32_t level);
bool log_printf(const char* channel, const char* format, ...) __attribute__((format(printf, 2, 3)));
void log_line(const char* channel, const char* entry);
void log_emit(const char* channel, const char* line);
void log_set_module(HMODULE module);
void log_set_folder(const char* folder);
uint32_t log_flags();
uint32_t log_level();
void log_rotate(const char* channel);
text log_channel_path(const char* channel);

// Composes one entry with stream operators; the whole text goes out as one line when it is destroyed.
// Callers guard it with log_level() != 0.
class log_stream {
 public:
  explicit log_stream(const char* channel = nullptr) : channel_(channel) {}
  ~log_stream() { log_line(channel_, text_.c_str()); }
  log_stream(const log_stream&) = delete;
  log_stream& operator=(const log_stream&) = delete;
  log_stream& operator<<(const char* s) {
    text_.append(s);
    return *this;
  }
  log_stream& operator<<(const text& s) {
    text_.append(s);
    return *this;
  }
  log_stream& operator<<(char c) {
    text_.push_back(c);
    return *this;
  }
  log_stream& operator<<(int v) {
    text_.append_format("%d", v);
    return *this;
  }
  log_stream& operator<<(unsigned v) {
    text_.append_format("%u", v);
    return *this;
  }
  log_stream& operator<<(long v) {
    text_.append_format("%ld", v);
    return *this;
  }
  log_stream& operator<<(unsigned long v) {
    text_.append_format("%lu", v);
    return *this;
  }
  log_stream& operator<<(long long v) {
    text_.append_format("%lld", v);
    return *this;
  }
  log_stream& operator<<(unsigned long long v) {
    text_.append_format("%llu", v);
    return *this;
  }

 private:
  const char* channel_;
  text text_;
};

// Every entry of the module goes to the default channel at level 1.
#define RLOG(...)                                         \
  do {                                                    \
    if (log_enabled(1)) log_printf(nullptr, __VA_ARGS__); \
  } while (0)
