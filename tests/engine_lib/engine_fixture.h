// The real engine library in a scratch folder, with a per-user folder of its own and the machine-wide
// statistics file saved and restored around each test.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "tests/engine_lib/engine_harness.h"
#include "tests/support/test_support.h"

namespace engine_test {

using testing_support::product_data_folder;
using testing_support::saved_data_file;

class engine_fixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads the library and gets an engine through ordinal 1.
  void load();
  // Drops the test's reference (slot 2); the engine then saves and goes away.
  void release();
  // Releases, frees the library and waits until it is really gone (the saver thread holds the
  // library until it has finished).
  void unload();

  int score(const std::string& text);
  HRESULT mark(const std::string& text, bool spam);
  void train(int per_class);
  HRESULT call(int slot);
  HRESULT query(const char* question);
  std::string user_file(const char* name) const { return user_folder_ + name; }

  testing_support::scratch_folder dir_;
  std::string dll_path_, user_folder_;
  HMODULE module_ = nullptr;
  void* engine_ = nullptr;
  std::mt19937 rng_{20240611};
  std::unique_ptr<testing_support::scoped_reg_value> user_value_;
  std::unique_ptr<saved_data_file> stats_;
};

}  // namespace engine_test
