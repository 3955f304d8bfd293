// Native builds (tests, fuzzers) have no machine-fault recovery: the call simply runs.
#include "common/guard.h"

extern "C" int guard_call(guarded_fn fn, void* context) {
  fn(context);
  return 1;
}
