// Runs code that touches memory or code we do not own (host buffers, host callbacks, the engine) so
// that neither a C++ exception nor a machine fault (access violation, illegal instruction, divide by
// zero, a foreign C++ exception) escapes into the host. On Windows the fault is caught by a frame-based
// handler: exception handlers of the callee get the first chance, and the stack is unwound properly.
#pragma once
#include <utility>

extern "C" {
typedef void (*guarded_fn)(void* context);
// Calls fn(context); returns 1 when it returned normally, 0 when a machine fault ended it.
int guard_call(guarded_fn fn, void* context);
}

// True when f() ran to its end; false when it threw or faulted. Destructors of objects that were
// live in f when a machine fault hit may not run: keep guarded bodies small and free of ownership.
template <class F>
bool guarded(F&& f) noexcept {
  struct state {
    F* f;
    bool ok;
  } s{&f, false};
  guarded_fn thunk = [](void* p) {
    auto* st = static_cast<state*>(p);
    try {
      (*st->f)();
      st->ok = true;
    } catch (...) { st->ok = false; }
  };
  return guard_call(thunk, &s) != 0 && s.ok;
}
