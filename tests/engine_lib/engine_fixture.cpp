#include "tests/engine_lib/engine_fixture.h"

#include <shlobj.h>

using namespace engine_harness;
using testing_support::program_folder;
using testing_support::scoped_reg_value;

namespace engine_test {

namespace {
constexpr const char* kPathsKey = "Software\\Kestrom\\Corvane Suite\\Paths";
constexpr DWORD kUnloadWaitMs = 10000;
}  // namespace

void engine_fixture::SetUp() {
  dll_path_ = dir_.file("sfl_ipc.dll");
  ASSERT_TRUE(CopyFileA((program_folder() + "sfl_ipc.dll").c_str(), dll_path_.c_str(), FALSE));
  user_folder_ = dir_.file("user\\");
  ASSERT_TRUE(CreateDirectoryA(user_folder_.c_str(), nullptr));
  user_value_ = std::make_unique<scoped_reg_value>(HKEY_CURRENT_USER, kPathsKey, "aspam settings",
                                                   user_folder_.c_str());
  stats_ = std::make_unique<saved_data_file>("antispam_stat.ini");
}

void engine_fixture::TearDown() {
  unload();
  stats_.reset();
  user_value_.reset();
}

void engine_fixture::load() {
  ASSERT_EQ(engine_, nullptr);
  if (!module_) module_ = LoadLibraryA(dll_path_.c_str());
  ASSERT_NE(module_, nullptr) << GetLastError();
  auto factory = export_of<factory_fn>(module_, MAKEINTRESOURCEA(1));
  ASSERT_NE(factory, nullptr);
  ASSERT_EQ(factory(&engine_), S_OK);
  ASSERT_NE(engine_, nullptr);
}

void engine_fixture::release() {
  if (!engine_) return;
  EXPECT_EQ(slot_of<release_fn>(engine_, kSlotRelease)(engine_), 0u);
  engine_ = nullptr;
}

void engine_fixture::unload() {
  release();
  if (!module_) return;
  FreeLibrary(module_);
  module_ = nullptr;
  DWORD waited = 0;
  while (GetModuleHandleA(dll_path_.c_str()) && waited < kUnloadWaitMs) {
    Sleep(20);
    waited += 20;
  }
  EXPECT_EQ(GetModuleHandleA(dll_path_.c_str()), nullptr) << "the library stayed loaded";
}

int engine_fixture::score(const std::string& text) {
  package p(text);
  int32_t s = -7;
  HRESULT hr = slot_of<check_fn>(engine_, kSlotCheck)(engine_, p.get(), &s);
  EXPECT_EQ(hr, S_OK);
  EXPECT_GE(s, 0);
  EXPECT_LE(s, 100);
  return s;
}

HRESULT engine_fixture::mark(const std::string& text, bool spam) {
  package p(text);
  return slot_of<mark_fn>(engine_, kSlotMark)(engine_, p.get(), spam ? 1 : 0, 1);
}

void engine_fixture::train(int per_class) {
  for (int i = 0; i < per_class; ++i) {
    ASSERT_EQ(mark(synthetic_message(true, rng_), true), S_OK);
    ASSERT_EQ(mark(synthetic_message(false, rng_), false), S_OK);
  }
}

HRESULT engine_fixture::call(int slot) { return slot_of<none_fn>(engine_, slot)(engine_); }

HRESULT engine_fixture::query(const char* question) {
  HRESULT hr = slot_of<pointer_fn>(engine_, kSlotQueryArgument)(engine_, const_cast<char*>(question));
  EXPECT_EQ(hr, S_OK) << question;
  return call(kSlotQuery);
}

}  // namespace engine_test
