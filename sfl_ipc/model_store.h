// The model file in the per-user folder: loaded when the engine is created, replaced whole on save so
// that a crash at any moment leaves the old or the new model, never a broken one. A damaged or
// foreign file is set aside and the engine starts fresh. Saves and loads of processes that share the
// folder take turns through a named mutex.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sfl_ipc/core/classifier.h"

namespace sfl {

constexpr const char* kModelFile = "sfl_model.bin";
constexpr const char* kSetAsideFile = "sfl_model.bad";

// unreadable: the file is there but could not be read (held by another program); it is kept.
enum class store_load { loaded, missing, set_aside, unreadable };

class model_store {
 public:
  // folder ends in a backslash.
  explicit model_store(std::string folder);
  ~model_store();
  model_store(const model_store&) = delete;
  model_store& operator=(const model_store&) = delete;

  store_load load(classifier* out);
  bool save(const std::vector<uint8_t>& bytes);
  const std::string& path() const { return path_; }

 private:
  std::string folder_, path_;
  HANDLE mutex_ = nullptr;
  bool keep_file_ = false;  // the model file could not be read: never replace it with a fresh one
};

}  // namespace sfl
