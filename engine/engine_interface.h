// The engine library's side of the conversation: the message package, the settings sink and the
// engine interface. All three cross a module boundary and may meet code of another compiler, so their
// layouts are fixed here field by field and slot by slot. None of the classes has a virtual destructor:
// this compiler gives one two table slots where the engine's side expects one.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <cstddef>
#include <cstdint>

// Part types of a message package.
constexpr uint32_t kPartText = 0;
constexpr uint32_t kPartTime = 5;
constexpr size_t kTimeStampSize = 16;  // a SYSTEMTIME

struct package_part {
  uint32_t type;
  uint32_t alignment;  // content undefined
  void* data;
  uint64_t size;
};

struct package_node {
  package_part* part;
  package_node* next;
};

// A linked list of typed parts, owned by the module for the length of one engine call.
struct message_package {
  package_node* first;
  package_node* last;
  void* reserved;
};

static_assert(sizeof(package_part) == 24 && offsetof(package_part, data) == 8 &&
                  offsetof(package_part, size) == 16,
              "package part layout");
static_assert(sizeof(package_node) == 16 && offsetof(package_node, next) == 8, "package node layout");
static_assert(sizeof(message_package) == 24 && offsetof(message_package, last) == 8, "package layout");

// A byte block of any length that the engine fills through slot 1. Slot 0 is the destructor as the
// engine's compiler sees it: called with flag bit 1 it also frees the object.
class settings_sink final {
 public:
  settings_sink() = default;
  ~settings_sink() { free_data(); }
  settings_sink(const settings_sink&) = delete;
  settings_sink& operator=(const settings_sink&) = delete;

  virtual void* STDMETHODCALLTYPE release(unsigned flags);                  // slot 0
  virtual void STDMETHODCALLTYPE append(const void* bytes, uint64_t size);  // slot 1

  const uint8_t* data() const { return data_; }
  uint64_t size() const { return size_; }

 private:
  void free_data();

  uint8_t* data_ = nullptr;
  uint64_t size_ = 0;
};

// Slots of the engine interface, as the module calls them. Slots the module never calls are declared
// only to keep the numbering.
struct engine_interface {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) = 0;                     // 0
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;                                                      // 1
  virtual ULONG STDMETHODCALLTYPE Release() = 0;                                                     // 2
  virtual HRESULT STDMETHODCALLTYPE unused3() = 0;                                                   // 3
  virtual HRESULT STDMETHODCALLTYPE check(message_package* package, int32_t* score) = 0;             // 4
  virtual HRESULT STDMETHODCALLTYPE mark(message_package* package, int32_t spam, uint8_t mark) = 0;  // 5
  virtual HRESULT STDMETHODCALLTYPE unused6() = 0;                                                   // 6
  virtual HRESULT STDMETHODCALLTYPE unused7() = 0;                                                   // 7
  virtual HRESULT STDMETHODCALLTYPE unused8() = 0;                                                   // 8
  virtual HRESULT STDMETHODCALLTYPE get_settings(const char* name, settings_sink* sink) = 0;         // 9
  virtual HRESULT STDMETHODCALLTYPE reload_lists(uint8_t mask) = 0;                                  // 10
  virtual HRESULT STDMETHODCALLTYPE train_by_sent_on(uint8_t flag) = 0;                              // 11
  virtual HRESULT STDMETHODCALLTYPE unused12() = 0;                                                  // 12
  virtual HRESULT STDMETHODCALLTYPE train_by_sent_off() = 0;                                         // 13
  virtual HRESULT STDMETHODCALLTYPE query_argument(void* argument) = 0;                              // 14
  virtual HRESULT STDMETHODCALLTYPE query() = 0;                                                     // 15
};

// Export ordinal 1 of the engine library: stores an engine interface (with one reference for the
// caller) at *out.
typedef HRESULT(WINAPI* engine_factory)(engine_interface** out);

// Bits of the list mask of slot 10.
constexpr uint8_t kWhiteListSaved = 1;
constexpr uint8_t kBlackListSaved = 2;
