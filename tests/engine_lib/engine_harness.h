// Talking to sfl_ipc.dll as a foreign module does: the factory at ordinal 1, slots called through raw
// positions of the object's table, message packages built part by part. Shared by the tests and the
// worker program that is killed while it learns.
#pragma once
#include <windows.h>

#include <cstdint>
#include <random>
#include <string>

#include "engine/package.h"

namespace engine_harness {

// Slot positions of the engine's table.
enum slot : int {
  kSlotQueryInterface = 0,
  kSlotAddRef = 1,
  kSlotRelease = 2,
  kSlot3 = 3,
  kSlotCheck = 4,
  kSlotMark = 5,
  kSlot6 = 6,
  kSlot7 = 7,
  kSlot8 = 8,
  kSlotSettings = 9,
  kSlotReloadLists = 10,
  kSlotSentOn = 11,
  kSlot12 = 12,
  kSlotSentOff = 13,
  kSlotQueryArgument = 14,
  kSlotQuery = 15,
};

typedef HRESULT(WINAPI* factory_fn)(void** out);
typedef ULONG(STDMETHODCALLTYPE* release_fn)(void* self);
typedef HRESULT(STDMETHODCALLTYPE* none_fn)(void* self);
typedef HRESULT(STDMETHODCALLTYPE* check_fn)(void* self, message_package* package, int32_t* score);
typedef HRESULT(STDMETHODCALLTYPE* mark_fn)(void* self, message_package* package, int32_t spam, uint8_t mark);
typedef HRESULT(STDMETHODCALLTYPE* settings_fn)(void* self, const char* name, void* sink);
typedef HRESULT(STDMETHODCALLTYPE* byte_fn)(void* self, uint8_t value);
typedef HRESULT(STDMETHODCALLTYPE* pointer_fn)(void* self, void* argument);
typedef int(WINAPI* explain_fn)(const char* message, int size, char* out, int out_size);

// An export as a typed pointer (through void*, since FARPROC's type is unrelated to any of ours).
template <typename F>
F export_of(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

template <typename F>
F slot_of(void* engine, int index) {
  void** table = *static_cast<void***>(engine);
  return reinterpret_cast<F>(table[index]);
}

// A package as the plug-in builds it: a time stamp, then the text with a NUL after it.
class package {
 public:
  package() = default;
  explicit package(const std::string& text) {
    add_time();
    add_text(text);
  }
  ~package() { package_free(p_); }
  package(const package&) = delete;
  package& operator=(const package&) = delete;

  void add_time() {
    package_part* part = package_append(p_, kPartTime, kTimeStampSize);
    if (part) GetSystemTime(static_cast<SYSTEMTIME*>(part->data));
  }
  // False when memory runs out.
  bool add_text(const std::string& text) {
    package_part* part = package_append(p_, kPartText, text.size() + 1);
    if (!part) return false;
    if (!text.empty()) memcpy(part->data, text.data(), text.size());
    return true;
  }
  message_package* get() { return &p_; }

 private:
  message_package p_{};
};

// Synthetic mail of two kinds with separate vocabularies, so a learner tells them apart quickly.
inline std::string synthetic_message(bool spam, std::mt19937& rng, const char* from = nullptr,
                                     const char* subject = nullptr) {
  static const char* const kSpamWords[] = {
      "viagra", "casino",    "winner",    "jackpot", "pills", "cheap",  "bonus", "lottery", "prize",
      "credit", "unsecured", "refinance", "million", "claim", "urgent", "wire",  "bitcoin", "discount"};
  static const char* const kHamWords[] = {"meeting", "project", "report",  "schedule", "agenda",  "review",
                                          "lunch",   "team",    "budget",  "draft",    "minutes", "thanks",
                                          "release", "branch",  "invoice", "quarter",  "slides",  "notes"};
  const char* const* words = spam ? kSpamWords : kHamWords;
  const size_t count = 18;
  std::uniform_int_distribution<size_t> pick(0, count - 1);
  std::string subject_text;
  if (subject) {
    subject_text = subject;
  } else {
    for (int i = 0; i < 3; ++i) subject_text += std::string(i ? " " : "") + words[pick(rng)];
  }
  std::string text = std::string("From: ") +
                     (from   ? from
                      : spam ? "promo@deals.example"
                             : "colleague@work.example") +
                     "\r\nTo: user@home.example\r\nSubject: " + subject_text + "\r\n\r\n";
  for (int i = 0; i < 40; ++i) text += std::string(words[pick(rng)]) + (i % 10 == 9 ? "\r\n" : " ");
  return text;
}

}  // namespace engine_harness
