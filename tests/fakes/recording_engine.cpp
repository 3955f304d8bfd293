// Test-only engine library. Its interface table is a plain array of function pointers, so the slot
// numbers the plug-in calls are checked against positions, not against this compiler's class layout.
#include "tests/fakes/recording_engine.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct recorded {
  rec_call call;
  std::vector<std::string> parts;
};

std::mutex g_mutex;
std::vector<recorded> g_calls;
std::atomic<int> g_inside{0};
std::atomic<int> g_refs{0};
int32_t g_score = 50;
HRESULT g_check_result = S_OK;
HRESULT g_factory_result = S_OK;
std::string g_blob;
HRESULT g_settings_result = S_OK;
std::atomic<int> g_fault_slot{-1};
int* volatile g_null = nullptr;

struct package_part {
  uint32_t type;
  uint32_t alignment;
  void* data;
  uint64_t size;
};
struct package_node {
  package_part* part;
  package_node* next;
};
struct message_package {
  package_node* first;
  package_node* last;
  void* reserved;
};

struct engine_object {
  void** table;
};

// Enters a slot: counts overlapping calls, faults when told to, and records the call.
class slot_call {
 public:
  explicit slot_call(int slot) : index_(0) {
    if (g_fault_slot.load() == slot) *g_null = slot;
    int before = g_inside.fetch_add(1);
    std::lock_guard<std::mutex> hold(g_mutex);
    recorded r = {};
    r.call.slot = slot;
    r.call.overlapped = before > 0;
    g_calls.push_back(r);
    index_ = g_calls.size() - 1;
  }
  ~slot_call() { g_inside.fetch_sub(1); }
  recorded& entry() { return g_calls[index_]; }

 private:
  size_t index_;
};

void copy_parts(recorded& r, const message_package* package) {
  if (!package) return;
  for (const package_node* n = package->first; n && r.call.parts < 4; n = n->next) {
    int i = r.call.parts++;
    r.call.part_type[i] = n->part->type;
    r.call.part_size[i] = n->part->size;
    r.parts.emplace_back(static_cast<const char*>(n->part->data), static_cast<size_t>(n->part->size));
  }
}

HRESULT WINAPI query_interface(engine_object*, const IID*, void** out) {
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}
ULONG WINAPI add_ref(engine_object*) { return static_cast<ULONG>(++g_refs); }
ULONG WINAPI release(engine_object*) {
  slot_call c(2);
  return static_cast<ULONG>(--g_refs);
}
HRESULT WINAPI not_implemented(engine_object*) { return E_NOTIMPL; }

// A test in another process sets a message's score with a line "X-Recorded-Score: N" in its text.
bool recorded_score(const message_package* package, int32_t* score) {
  static const char kLine[] = "X-Recorded-Score: ";
  for (const package_node* n = package ? package->first : nullptr; n; n = n->next) {
    if (n->part->type != 0 || !n->part->data) continue;  // type 0: the text
    const char* at = std::strstr(static_cast<const char*>(n->part->data), kLine);
    if (!at) continue;
    *score = std::atoi(at + sizeof kLine - 1);
    return true;
  }
  return false;
}

HRESULT WINAPI check(engine_object*, message_package* package, int32_t* score) {
  slot_call c(4);
  std::lock_guard<std::mutex> hold(g_mutex);
  copy_parts(c.entry(), package);
  Sleep(0);  // widen the window in which an overlapping call would be seen
  if (SUCCEEDED(g_check_result) && !recorded_score(package, score)) *score = g_score;
  return g_check_result;
}

HRESULT WINAPI mark(engine_object*, message_package* package, int32_t spam, uint8_t mark_flag) {
  slot_call c(5);
  std::lock_guard<std::mutex> hold(g_mutex);
  c.entry().call.int_arg = spam;
  c.entry().call.byte_arg = mark_flag;
  copy_parts(c.entry(), package);
  return S_OK;
}

// Fills the module's sink through raw slot 1 of its table, as a foreign engine would.
HRESULT WINAPI get_settings(engine_object*, const char* name, void* sink) {
  slot_call c(9);
  std::lock_guard<std::mutex> hold(g_mutex);
  std::strncpy(c.entry().call.name, name ? name : "", sizeof(c.entry().call.name) - 1);
  if (SUCCEEDED(g_settings_result) && !g_blob.empty()) {
    typedef void(WINAPI * append_fn)(void*, const void*, uint64_t);
    void** table = *static_cast<void***>(sink);
    reinterpret_cast<append_fn>(table[1])(sink, g_blob.data(), g_blob.size());
  }
  return g_settings_result;
}

HRESULT WINAPI byte_slot(int slot, uint8_t value) {
  slot_call c(slot);
  std::lock_guard<std::mutex> hold(g_mutex);
  c.entry().call.byte_arg = value;
  return S_OK;
}
HRESULT WINAPI reload_lists(engine_object*, uint8_t mask) { return byte_slot(10, mask); }
HRESULT WINAPI sent_on(engine_object*, uint8_t flag) { return byte_slot(11, flag); }
HRESULT WINAPI sent_off(engine_object*) { return byte_slot(13, 0); }
HRESULT WINAPI query_argument(engine_object*, void*) { return byte_slot(14, 0); }
HRESULT WINAPI query(engine_object*) { return byte_slot(15, 0); }

void* g_table[16] = {
    reinterpret_cast<void*>(query_interface), reinterpret_cast<void*>(add_ref),
    reinterpret_cast<void*>(release),         reinterpret_cast<void*>(not_implemented),
    reinterpret_cast<void*>(check),           reinterpret_cast<void*>(mark),
    reinterpret_cast<void*>(not_implemented), reinterpret_cast<void*>(not_implemented),
    reinterpret_cast<void*>(not_implemented), reinterpret_cast<void*>(get_settings),
    reinterpret_cast<void*>(reload_lists),    reinterpret_cast<void*>(sent_on),
    reinterpret_cast<void*>(not_implemented), reinterpret_cast<void*>(sent_off),
    reinterpret_cast<void*>(query_argument),  reinterpret_cast<void*>(query),
};
engine_object g_engine = {g_table};

}  // namespace

extern "C" {

HRESULT WINAPI create_engine(engine_object** out) {
  if (FAILED(g_factory_result)) return g_factory_result;
  ++g_refs;
  *out = &g_engine;
  return S_OK;
}

void WINAPI rec_reset() {
  std::lock_guard<std::mutex> hold(g_mutex);
  g_calls.clear();
  g_score = 50;
  g_check_result = S_OK;
  g_factory_result = S_OK;
  g_blob.clear();
  g_settings_result = S_OK;
  g_fault_slot = -1;
}

int WINAPI rec_calls() {
  std::lock_guard<std::mutex> hold(g_mutex);
  return static_cast<int>(g_calls.size());
}

BOOL WINAPI rec_call_at(int index, rec_call* out) {
  std::lock_guard<std::mutex> hold(g_mutex);
  if (index < 0 || static_cast<size_t>(index) >= g_calls.size()) return FALSE;
  *out = g_calls[index].call;
  return TRUE;
}

uint64_t WINAPI rec_part(int index, int part, void* buffer, uint64_t capacity) {
  std::lock_guard<std::mutex> hold(g_mutex);
  if (index < 0 || static_cast<size_t>(index) >= g_calls.size()) return 0;
  const recorded& r = g_calls[index];
  if (part < 0 || static_cast<size_t>(part) >= r.parts.size()) return 0;
  const std::string& bytes = r.parts[part];
  std::memcpy(buffer, bytes.data(), bytes.size() < capacity ? bytes.size() : static_cast<size_t>(capacity));
  return bytes.size();
}

void WINAPI rec_set_check(int32_t score, HRESULT result) {
  std::lock_guard<std::mutex> hold(g_mutex);
  g_score = score;
  g_check_result = result;
}

void WINAPI rec_set_factory(HRESULT result) { g_factory_result = result; }

void WINAPI rec_set_settings(const void* blob, uint64_t size, HRESULT result) {
  std::lock_guard<std::mutex> hold(g_mutex);
  g_blob.assign(static_cast<const char*>(blob), static_cast<size_t>(size));
  g_settings_result = result;
}

void WINAPI rec_set_fault(int slot) { g_fault_slot = slot; }
int WINAPI rec_references() { return g_refs.load(); }

}  // extern "C"
