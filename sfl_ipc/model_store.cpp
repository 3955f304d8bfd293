#include "sfl_ipc/model_store.h"

#include <cstdio>

#include "common/file_replace.h"
#include "log/log.h"
#include "sfl_ipc/core/model_file.h"

namespace sfl {

namespace {

constexpr DWORD kMaxModelFile = 512u << 20;  // anything larger is not a model of ours
// Another program (a virus scanner, a backup tool) may hold the file without sharing for a moment.
constexpr int kReadAttempts = 10;
constexpr DWORD kReadRetryMs = 200;

// One mutex per folder, shared by every process of the user session.
std::string mutex_name(const std::string& path) {
  uint32_t h = 2166136261u;
  for (char c : path) {
    char l = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    h = (h ^ static_cast<uint8_t>(l)) * 16777619u;
  }
  char name[64];
  std::snprintf(name, sizeof(name), "Local\\relaymx-sfl-model-%08x", h);
  return name;
}

class mutex_turn {
 public:
  explicit mutex_turn(HANDLE m) : m_(m) {
    DWORD r = m_ ? WaitForSingleObject(m_, INFINITE) : WAIT_FAILED;
    owned_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;  // an abandoned turn is ours: the file is whole
  }
  ~mutex_turn() {
    if (owned_) ReleaseMutex(m_);
  }
  mutex_turn(const mutex_turn&) = delete;
  mutex_turn& operator=(const mutex_turn&) = delete;

 private:
  HANDLE m_;
  bool owned_ = false;
};

bool read_whole(const std::string& path, std::vector<uint8_t>* out, bool* missing) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    *missing = GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    return false;
  }
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(f, &size);
  if (ok && size.QuadPart > kMaxModelFile) {
    out->clear();  // not a model of ours: read as an empty, damaged file
  } else if (ok) {
    out->resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = out->empty() ||
         (ReadFile(f, out->data(), static_cast<DWORD>(out->size()), &got, nullptr) && got == out->size());
  }
  CloseHandle(f);
  return ok;
}

}  // namespace

model_store::model_store(std::string folder) : folder_(std::move(folder)), path_(folder_ + kModelFile) {
  mutex_ = CreateMutexA(nullptr, FALSE, mutex_name(path_).c_str());
}

model_store::~model_store() {
  if (mutex_) CloseHandle(mutex_);
}

store_load model_store::load(classifier* out) {
  mutex_turn turn(mutex_);
  // Saves write their temporary files only while holding the turn, so any found now belongs to a
  // process that died during a save.
  remove_stale_files(folder_.c_str(), "sfl_model.*.tmp", 0);
  std::vector<uint8_t> bytes;
  bool missing = false, read = false;
  for (int attempt = 0; attempt < kReadAttempts && !read && !missing; ++attempt) {
    if (attempt) Sleep(kReadRetryMs);
    read = read_whole(path_, &bytes, &missing);
  }
  if (missing) return store_load::missing;
  if (!read) {
    // Not known to be damaged: setting it aside, or saving a fresh model over it later, would throw
    // the user's training away. This session's learning is not saved instead.
    keep_file_ = true;
    RLOG("[-] sfl: cannot read the model file %s: %lu; starting fresh without saving", path_.c_str(),
         GetLastError());
    return store_load::unreadable;
  }
  if (!bytes.empty() && decode_model(bytes.data(), bytes.size(), out) == model_load::ok)
    return store_load::loaded;
  std::string aside = folder_ + kSetAsideFile;
  MoveFileExA(path_.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING);
  RLOG("[!] sfl: model file %s is damaged or of another version; set aside as %s, starting fresh",
       path_.c_str(), aside.c_str());
  *out = classifier(out->params());
  return store_load::set_aside;
}

// Each process writes its own temporary file, so that two never write into one.
bool model_store::save(const std::vector<uint8_t>& bytes) {
  if (keep_file_) return false;
  char temp_name[64];
  std::snprintf(temp_name, sizeof(temp_name), "sfl_model.%lu.tmp", GetCurrentProcessId());
  std::string temp = folder_ + temp_name;
  mutex_turn turn(mutex_);
  write_outcome out = replace_file(path_.c_str(), temp.c_str(), bytes.data(), bytes.size());
  if (!out.ok()) {
    RLOG("[-] sfl: cannot save the model to %s: %lu", path_.c_str(), out.error);
    return false;
  }
  return true;
}

}  // namespace sfl
