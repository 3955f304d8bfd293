// Finds the engine library beside the module, obtains its interface through export ordinal 1 and
// holds both. A failed attempt is repeated at the next engine call; the library stays loaded.
#pragma once
#include <windows.h>

#include "common/product_keys.h"
#include "engine/engine_interface.h"

class engine_connector {
 public:
  engine_connector() = default;
  virtual ~engine_connector();
  engine_connector(const engine_connector&) = delete;
  engine_connector& operator=(const engine_connector&) = delete;

  // True when an interface is held.
  bool connect();
  engine_interface* engine() const { return engine_; }
  // Drops the interface and the library without releasing either (process exit only).
  void abandon() {
    engine_ = nullptr;
    library_ = nullptr;
  }

 private:
  engine_interface* engine_ = nullptr;
  HMODULE library_ = nullptr;
};

constexpr const char* kEngineLibrary = kEngineLibraryName;
