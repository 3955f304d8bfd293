#include "log/log.h"

#include <cstdarg>
#include <cstring>

#include "common/paths.h"

namespace {

log_facility* g_current = nullptr;
bool g_ready = false;
bool g_gone = false;

constexpr const char* kSwitchKey = "Software";
constexpr int kShareRetries = 20;

// Reads a 4-byte value whatever its stored type; a missing value leaves the default.
void query_dword(HKEY key, const char* name, uint32_t* out) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
          ERROR_SUCCESS &&
      size == sizeof(value))
    *out = value;
}

class mutex_hold {
 public:
  explicit mutex_hold(HANDLE m) : m_(m) {
    if (m_) WaitForSingleObject(m_, INFINITE);
  }
  ~mutex_hold() {
    if (m_) ReleaseMutex(m_);
  }
  mutex_hold(const mutex_hold&) = delete;
  mutex_hold& operator=(const mutex_hold&) = delete;

 private:
  HANDLE m_;
};

}  // namespace

log_facility::log_facility() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSwitchKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    query_dword(key, "EnableZOLTLog", &flags_);
    query_dword(key, "ZOLTLogLevel", &level_);
    RegCloseKey(key);
  }
  mutex_ = CreateMutexA(nullptr, FALSE, nullptr);
  if (!g_current) {
    g_current = this;
    g_ready = true;
  }
}

log_facility::~log_facility() {
  if (g_current == this) {
    g_ready = false;
    g_current = nullptr;
    g_gone = true;
  }
  if (mutex_) CloseHandle(mutex_);
}

bool log_facility::enabled(uint32_t level) const {
  return (flags_ & (kLogToFile | kLogToDebugger)) != 0 && level_ >= level;
}

void log_facility::line(const char* channel, const char* entry) {
  uint32_t flags;
  {
    mutex_hold hold(mutex_);
    flags = flags_;
  }
  text out;
  if (!(flags & kLogRaw)) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    if (flags & kLogShortStamp)
      out.format("%02d:%02d:%02d   ", t.wHour, t.wMinute, t.wSecond);
    else
      out.format("%d/%02d/%02d %02d:%02d:%02d   ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  }
  if (flags & kLogThreadId) out.append_format("%lu:", static_cast<unsigned long>(GetCurrentThreadId()));
  out.append(entry);
  if (!(flags & kLogRaw)) out.push_back('\n');
  emit(channel, out.c_str());
}

void log_facility::emit(const char* channel, const char* line) {
  uint32_t flags;
  text path;
  {
    mutex_hold hold(mutex_);
    flags = flags_;
    if (flags & kLogToFile) path = resolve_locked(channel);
  }
  if (flags & kLogToDebugger) OutputDebugStringA(line);
  if ((flags & kLogToFile) && !path.empty()) append_to_file(path.c_str(), line);
}

void log_facility::rotate(const char* channel) {
  if (!(flags_ & kLogToFile)) return;
  mutex_hold hold(mutex_);
  text path = resolve_locked(channel);
  if (path.empty()) return;
  text backup = path;
  path_remove_extension(backup);
  path_append_extension(backup, "0");
  DeleteFileA(backup.c_str());
  MoveFileA(path.c_str(), backup.c_str());
}

text log_facility::channel_path(const char* channel) {
  mutex_hold hold(mutex_);
  return resolve_locked(channel);
}

void log_facility::set_module(HMODULE module) {
  mutex_hold hold(mutex_);
  module_ = module;
}

void log_facility::set_folder(const char* folder) {
  mutex_hold hold(mutex_);
  folder_.assign(folder);
}

text log_facility::resolve_locked(const char* channel) {
  const char* name = channel ? channel : "";
  if (std::strchr(name, ':')) return text(name);
  if (folder_.empty()) compute_default_folder_locked();
  auto found = channels_.find(name);
  if (found != channels_.end()) return text(found->second.c_str());
  text path = folder_;
  if (*name == '\\') ++name;
  if (*name)
    path_append(path, name);
  else
    path_append(path, default_file_name_locked().c_str());
  channels_[channel ? channel : ""] = path.c_str();
  return path;
}

// The "log" folder beside the module when it exists, else the module's own folder. When the module's
// name cannot be read, the log goes to the temporary folder, so that it is still found somewhere.
void log_facility::compute_default_folder_locked() {
  text folder = module_file_name(module_);
  if (folder.empty()) {
    char temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(MAX_PATH, temp);
    folder.assign(n > 0 && n < MAX_PATH ? temp : "");
    folder_ = folder;
    return;
  }
  path_remove_file_name(folder);
  text with_log = folder;
  with_log.append("log");
  if (GetFileAttributesA(with_log.c_str()) != INVALID_FILE_ATTRIBUTES) folder = with_log;
  folder_ = folder;
}

text log_facility::default_file_name_locked() const {
  text name = module_file_name(module_);
  if (name.empty()) return text("relaymx.log");
  text base(path_file_name(name.c_str()));
  path_remove_extension(base);
  path_append_extension(base, "log");
  return base;
}

// One open, seek, write and close per line: the file is never held open, so other programs may read,
// move or delete it at any time. A line that meets another writer's open retries briefly.
void log_facility::append_to_file(const char* path, const char* line) {
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kShareRetries; ++attempt) {
    file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_ARCHIVE,
                       nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) break;
    Sleep(1);
  }
  if (file == INVALID_HANDLE_VALUE) return;
  SetFilePointer(file, 0, nullptr, FILE_END);
  size_t n = std::strlen(line);
  text buf;
  char* out = buf.buffer(2 * n + 1);
  size_t k = 0;
  for (size_t i = 0; i < n; ++i) {
    if (line[i] == '\r') continue;
    if (line[i] == '\n') out[k++] = '\r';
    out[k++] = line[i];
  }
  DWORD written = 0;
  WriteFile(file, out, static_cast<DWORD>(k), &written, nullptr);
  CloseHandle(file);
}

log_facility* log_instance() {
  if (g_gone) return nullptr;
  static log_facility instance;
  return g_ready ? g_current : nullptr;
}

bool log_enabled(uint32_t level) {
  log_facility* log = log_instance();
  return log && log->enabled(level);
}

bool log_printf(const char* channel, const char* format, ...) {
  text entry;
  va_list args;
  va_start(args, format);
  entry.append_vformat(format, args);
  va_end(args);
  log_line(channel, entry.c_str());
  return true;
}

void log_line(const char* channel, const char* entry) {
  if (log_facility* log = log_instance()) log->line(channel, entry);
}

void log_emit(const char* channel, const char* line) {
  if (log_facility* log = log_instance()) log->emit(channel, line);
}

void log_set_module(HMODULE module) {
  if (log_facility* log = log_instance()) log->set_module(module);
}

void log_set_folder(const char* folder) {
  if (log_facility* log = log_instance()) log->set_folder(folder);
}

uint32_t log_flags() {
  log_facility* log = log_instance();
  return log ? log->flags() : 0;
}

uint32_t log_level() {
  log_facility* log = log_instance();
  return log ? log->level() : 0;
}

void log_rotate(const char* channel) {
  if (log_facility* log = log_instance()) log->rotate(channel);
}

text log_channel_path(const char* channel) {
  log_facility* log = log_instance();
  return log ? log->channel_path(channel) : text();
}
