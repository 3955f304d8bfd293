#include "engine/engine_connector.h"

#include "common/guard.h"
#include "common/paths.h"
#include "log/log.h"

namespace {
constexpr WORD kFactoryOrdinal = 1;
}

engine_connector::~engine_connector() {
  if (engine_) {
    engine_interface* engine = engine_;
    engine_ = nullptr;
    guarded([&] { engine->Release(); });
  }
  if (library_) FreeLibrary(library_);
}

bool engine_connector::connect() {
  if (engine_) return true;
  text path = module_folder(this_module());
  path.append(kEngineLibrary);
  if (!library_) {
    library_ = LoadLibraryA(path.c_str());
    if (!library_) {
      RLOG("::LoadLibrary(%s) failed: 0x%08X", path.c_str(), static_cast<unsigned>(GetLastError()));
      return false;
    }
  }
  auto factory = reinterpret_cast<engine_factory>(
      reinterpret_cast<void*>(GetProcAddress(library_, MAKEINTRESOURCEA(kFactoryOrdinal))));
  if (!factory) {
    RLOG("::GetProcAddress(%s) failed: 0x%08X", path.c_str(), static_cast<unsigned>(GetLastError()));
    return false;
  }
  HRESULT result = E_FAIL;
  engine_interface* engine = nullptr;
  if (!guarded([&] { result = factory(&engine); })) result = E_FAIL;
  if (FAILED(result) || !engine) return false;  // a faulting or refusing factory counts as not connected
  engine_ = engine;
  return true;
}
