#include "sfl_ipc/engine_object.h"

#include <cstring>
#include <string_view>

#include "log/log.h"
#include "settings/folders.h"
#include "settings/record.h"
#include "sfl_ipc/core/model_file.h"

namespace sfl {

namespace {

engine_object* g_live = nullptr;
SRWLOCK g_live_lock = SRWLOCK_INIT;  // guards g_live against a factory call racing the last Release

constexpr const char* kWhiteList = kWhiteListFile;
constexpr const char* kBlackList = kBlackListFile;
constexpr DWORD kMaxListFile = 16u << 20;
constexpr size_t kExplainFeatures = 12;

class locked {
 public:
  explicit locked(CRITICAL_SECTION* cs) : cs_(cs) { EnterCriticalSection(cs_); }
  ~locked() { LeaveCriticalSection(cs_); }
  locked(const locked&) = delete;
  locked& operator=(const locked&) = delete;

 private:
  CRITICAL_SECTION* cs_;
};

// The message text of a package: its first text part, without the terminating NUL the module adds.
bool message_text(const message_package* package, std::string_view* out) {
  if (!package) return false;
  for (const package_node* n = package->first; n; n = n->next) {
    const package_part* p = n->part;
    if (!p || p->type != kPartText || !p->data) continue;
    size_t size = static_cast<size_t>(p->size);
    const char* data = static_cast<const char*>(p->data);
    if (size > 0 && data[size - 1] == '\0') --size;
    *out = std::string_view(data, size);
    return true;
  }
  return false;
}

bool read_list(const std::string& path, std::string* out) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(f, &size) && size.QuadPart <= kMaxListFile;
  if (ok) {
    out->resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = out->empty() || ReadFile(f, &(*out)[0], static_cast<DWORD>(out->size()), &got, nullptr);
    out->resize(got);
  }
  CloseHandle(f);
  return ok;
}

void write_counter(const char* file, const char* section, const char* key, uint64_t value) {
  char number[24];
  std::snprintf(number, sizeof(number), "%d", value > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(value));
  WritePrivateProfileStringA(section, key, number, file);
}

}  // namespace

engine_object* acquire_live_engine() {
  AcquireSRWLockExclusive(&g_live_lock);
  engine_object* live = g_live;
  if (live) live->AddRef();
  ReleaseSRWLockExclusive(&g_live_lock);
  return live;
}

bool publish_live_engine(engine_object* engine) {
  AcquireSRWLockExclusive(&g_live_lock);
  bool free = g_live == nullptr;
  if (free) g_live = engine;
  ReleaseSRWLockExclusive(&g_live_lock);
  return free;
}

engine_object* live_engine_at_unload() { return g_live; }

engine_object::engine_object(std::string folder, std::string statistics_file)
    : folder_(std::move(folder)), statistics_file_(std::move(statistics_file)), store_(folder_) {
  InitializeCriticalSection(&lock_);
  store_load loaded = store_.load(&state_.model());
  RLOG("[i] sfl: engine created, model %s", loaded == store_load::loaded ? "loaded" : "new");
  load_lists(kWhiteListSaved | kBlackListSaved);
}

engine_object::~engine_object() {
  stop_saver();
  DeleteCriticalSection(&lock_);
}

HRESULT STDMETHODCALLTYPE engine_object::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown)) {
    *out = this;
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE engine_object::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

// The last reference ends the engine, unless the factory handed it out again in the meantime.
ULONG STDMETHODCALLTYPE engine_object::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left != 0) return static_cast<ULONG>(left);
  AcquireSRWLockExclusive(&g_live_lock);
  bool last = references_ == 0;
  if (last && g_live == this) g_live = nullptr;
  ReleaseSRWLockExclusive(&g_live_lock);
  if (!last) return 0;
  stop_saver();
  persist(false);
  delete this;
  return 0;
}

HRESULT STDMETHODCALLTYPE engine_object::check(message_package* package, int32_t* score) {
  std::string_view raw;
  if (!score) return E_POINTER;
  if (!message_text(package, &raw)) return E_INVALIDARG;
  locked hold(&lock_);
  *score = state_.score(raw).score;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE engine_object::mark(message_package* package, int32_t spam, uint8_t mark) {
  std::string_view raw;
  if (!message_text(package, &raw)) return E_INVALIDARG;
  locked hold(&lock_);
  state_.learn(raw, spam != 0, mark != 0);
  dirty_ = true;
  return S_OK;
}

// The engine's own values, in the settings blob form: a record count, then per record the name and
// its zero, the binding type, the packed value.
HRESULT STDMETHODCALLTYPE engine_object::get_settings(const char* name, settings_sink* sink) {
  if (!name || !sink || std::strcmp(name, kEngineSettingsName) != 0) return E_INVALIDARG;
  double level = 0.5;
  setting_binding value;
  value.field = &level;
  value.name = kEngineSettingsName;
  value.type = kBindDouble;
  std::vector<uint8_t> blob = settings_blob(&value, 1);
  // The sink is the plug-in's object: reach its append through its table, never through our own code.
  typedef void(STDMETHODCALLTYPE * append_slot)(void*, const void*, uint64_t);
  void** table = *reinterpret_cast<void***>(sink);
  reinterpret_cast<append_slot>(table[1])(sink, blob.data(), blob.size());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE engine_object::reload_lists(uint8_t mask) {
  load_lists(mask);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE engine_object::train_by_sent_on(uint8_t flag) {
  locked hold(&lock_);
  state_.set_learn_from_sent(flag != 0);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE engine_object::train_by_sent_off() {
  locked hold(&lock_);
  state_.set_learn_from_sent(false);
  return S_OK;
}

// Slot 14 names the question that slot 15 answers: "trusted" (the model has learned enough of both
// classes to be relied on) or "learn from sent" (the option is on). Unknown names leave the question.
HRESULT STDMETHODCALLTYPE engine_object::query_argument(void* argument) {
  if (!argument) return E_POINTER;
  const char* name = static_cast<const char*>(argument);
  size_t n = strnlen(name, 64);
  std::string q(name, n);
  if (q != "trusted" && q != "learn from sent") return E_INVALIDARG;
  locked hold(&lock_);
  query_ = q;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE engine_object::query() {
  locked hold(&lock_);
  bool yes = query_ == "trusted" ? state_.trusted() : state_.learn_from_sent();
  return yes ? S_OK : S_FALSE;
}

std::string engine_object::explain(const char* raw, size_t size, bool features) {
  locked hold(&lock_);
  return state_.explain(std::string_view(raw, size), kExplainFeatures, features);
}

void engine_object::load_lists(uint8_t mask) {
  std::string white, black;
  bool have_white = (mask & kWhiteListSaved) && (read_list(folder_ + kWhiteList, &white), true);
  bool have_black = (mask & kBlackListSaved) && (read_list(folder_ + kBlackList, &black), true);
  locked hold(&lock_);
  if (have_white) state_.lists().set_white(white.data(), white.size());
  if (have_black) state_.lists().set_black(black.data(), black.size());
  RLOG("[i] sfl: lists loaded, %u white and %u black rules",
       static_cast<unsigned>(state_.lists().white_rules()),
       static_cast<unsigned>(state_.lists().black_rules()));
}

void engine_object::write_statistics(const learn_counters& c) {
  if (statistics_file_.empty() || !ensure_parent_folder(statistics_file_.c_str())) return;
  const char* f = statistics_file_.c_str();
  write_counter(f, "DbStatus", "NonSpamLetters", c.messages[0]);
  write_counter(f, "DbStatus", "NonSpamWords", c.tokens[0]);
  write_counter(f, "DbStatus", "SpamLetters", c.messages[1]);
  write_counter(f, "DbStatus", "SpamWords", c.tokens[1]);
  write_counter(f, "Hits", "MarkAsSpamHits", c.marks[1]);
  write_counter(f, "Hits", "MarkAsNotSpamHits", c.marks[0]);
}

// The model is encoded under the lock and written outside it, so checks do not wait for the disk.
void engine_object::persist(bool try_only) {
  if (!try_only) {
    EnterCriticalSection(&lock_);
  } else if (!TryEnterCriticalSection(&lock_)) {
    return;
  }
  if (!dirty_) {
    LeaveCriticalSection(&lock_);
    return;
  }
  std::vector<uint8_t> bytes = encode_model(state_.model());
  learn_counters counters = state_.model().counters();
  dirty_ = false;
  LeaveCriticalSection(&lock_);
  if (!store_.save(bytes)) {
    EnterCriticalSection(&lock_);
    dirty_ = true;  // tried again at the next turn
    LeaveCriticalSection(&lock_);
  }
  write_statistics(counters);
}

void engine_object::start() {
  stop_event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  saver_done_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // The saver holds a reference on the library, so the library cannot go away under it.
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&acquire_live_engine),
                     &self);
  saver_ = CreateThread(nullptr, 0, saver_main, this, 0, nullptr);
  if (!saver_ && self) FreeLibrary(self);
}

DWORD WINAPI engine_object::saver_main(void* p) {
  auto* self = static_cast<engine_object*>(p);
  while (WaitForSingleObject(self->stop_event_, kSaveIntervalMs) == WAIT_TIMEOUT) self->persist(false);
  SetEvent(self->saver_done_);
  HMODULE library = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&acquire_live_engine), &library);
  FreeLibraryAndExitThread(library, 0);
}

void engine_object::stop_saver() {
  if (!saver_) return;
  SetEvent(stop_event_);
  // The saver says it is done, or has already been ended: at process exit threads are gone without
  // a word, and waiting for the word would hang the exit.
  HANDLE either[2] = {saver_done_, saver_};
  WaitForMultipleObjects(2, either, FALSE, INFINITE);
  CloseHandle(saver_);
  CloseHandle(stop_event_);
  CloseHandle(saver_done_);
  saver_ = stop_event_ = saver_done_ = nullptr;
}

}  // namespace sfl
