// A process that learns until it is killed: loads sfl_ipc.dll from the path on its command line,
// signals the inherited event once it holds an engine, then marks synthetic mail forever, so that
// the engine's saves are cut off at random moments. The per-user folder comes from the registry.
//   engine_worker <path of sfl_ipc.dll> <inherited event handle, decimal>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "tests/engine_lib/engine_harness.h"

using namespace engine_harness;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: engine_worker <sfl_ipc.dll> <event>\n");
    return 2;
  }
  HMODULE module = LoadLibraryA(argv[1]);
  if (!module) return 3;
  auto factory = export_of<factory_fn>(module, MAKEINTRESOURCEA(1));
  void* engine = nullptr;
  if (!factory || FAILED(factory(&engine)) || !engine) return 4;
  HANDLE ready = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(argv[2], nullptr, 10)));
  SetEvent(ready);
  std::mt19937 rng(GetCurrentProcessId());
  for (unsigned n = 0;; ++n) {
    bool spam = n % 2 == 0;
    package p(synthetic_message(spam, rng));
    slot_of<mark_fn>(engine, kSlotMark)(engine, p.get(), spam ? 1 : 0, 1);
  }
}
