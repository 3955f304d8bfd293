// Control and record of the test-only engine library: a sfl_ipc.dll whose interface table is laid out
// by hand, slot by slot, as a module of another compiler would lay it out. It records each slot call
// with its arguments (copying the package's parts out during the call) and answers as the test says.
#pragma once
#include <windows.h>

#include <cstdint>

struct rec_call {
  int slot;
  int32_t int_arg;   // slot 5: spam flag
  uint8_t byte_arg;  // slot 5: mark flag; slot 10: mask; slot 11: option flag
  char name[64];     // slot 9: setting name
  int parts;
  uint32_t part_type[4];
  uint64_t part_size[4];
  int overlapped;  // another call was inside the engine at the same time
};

extern "C" {
typedef void(WINAPI* rec_reset_fn)();
typedef int(WINAPI* rec_calls_fn)();
typedef BOOL(WINAPI* rec_call_at_fn)(int index, rec_call* out);
// Copies up to capacity bytes of part j of call i; returns the part's size.
typedef uint64_t(WINAPI* rec_part_fn)(int index, int part, void* buffer, uint64_t capacity);
// Answers of the slots: check score and result, factory result, the settings blob of slot 9.
typedef void(WINAPI* rec_set_check_fn)(int32_t score, HRESULT result);
typedef void(WINAPI* rec_set_factory_fn)(HRESULT result);
typedef void(WINAPI* rec_set_settings_fn)(const void* blob, uint64_t size, HRESULT result);
// The slot that faults (writes through a null pointer) on its next calls; -1 for none.
typedef void(WINAPI* rec_set_fault_fn)(int slot);
// Outstanding references on the engine object.
typedef int(WINAPI* rec_references_fn)();
}

// Resolved entry points of a loaded recording engine.
struct recording_engine {
  HMODULE module = nullptr;
  rec_reset_fn reset = nullptr;
  rec_calls_fn calls = nullptr;
  rec_call_at_fn call_at = nullptr;
  rec_part_fn part = nullptr;
  rec_set_check_fn set_check = nullptr;
  rec_set_factory_fn set_factory = nullptr;
  rec_set_settings_fn set_settings = nullptr;
  rec_set_fault_fn set_fault = nullptr;
  rec_references_fn references = nullptr;

  bool attach(HMODULE m) {
    module = m;
    reset = reinterpret_cast<rec_reset_fn>(proc("rec_reset"));
    calls = reinterpret_cast<rec_calls_fn>(proc("rec_calls"));
    call_at = reinterpret_cast<rec_call_at_fn>(proc("rec_call_at"));
    part = reinterpret_cast<rec_part_fn>(proc("rec_part"));
    set_check = reinterpret_cast<rec_set_check_fn>(proc("rec_set_check"));
    set_factory = reinterpret_cast<rec_set_factory_fn>(proc("rec_set_factory"));
    set_settings = reinterpret_cast<rec_set_settings_fn>(proc("rec_set_settings"));
    set_fault = reinterpret_cast<rec_set_fault_fn>(proc("rec_set_fault"));
    references = reinterpret_cast<rec_references_fn>(proc("rec_references"));
    return reset && calls && call_at && part && set_check && set_factory && set_settings && set_fault &&
           references;
  }

 private:
  void* proc(const char* name) { return reinterpret_cast<void*>(GetProcAddress(module, name)); }
};
