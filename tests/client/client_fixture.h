// A plug-in installed into a scratch folder with the modules a test chooses, a private per-user
// settings folder, the machine-wide product data folder saved and restored, and a host callback that
// serves one message and records what it was asked.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "host/plugin_api.h"
#include "tests/fakes/recording_engine.h"
#include "tests/support/test_support.h"

namespace client_test {

// The message the callback serves, and how it misbehaves.
struct host_message {
  std::string text = "Subject: hello\r\n\r\nbody\r\n";
  std::string time_record =
      std::string("\xEA\x07\x0C\x00\x03\x00\x09\x00\x0C\x00\x22\x00\x38\x00\x00\x00", 16);
  bool fault = false;         // write through a null pointer when asked for the text
  int announced_length = -2;  // -2: the real length
  int delivered_length = -2;  // -2: what was asked
};

extern host_message g_message;
extern std::vector<std::pair<int, int>> g_requests;  // (request id, size) in call order
extern std::mutex g_requests_mutex;

int WINAPI host_callback(int msid, int request, void* buffer, int size);

using testing_support::product_data_folder;
using testing_support::saved_data_file;
int read_counter(const char* section, const char* key);

struct layout {
  bool resource_library = true;
  bool engine = true;
};

class client_fixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Copies the modules, loads the plug-in and attaches to the recording engine once it is loaded.
  void install(layout l = layout());
  void start(int expected_status = 0);
  // Moves the machine-wide product data folder aside for the test; TearDown puts it back.
  bool set_data_folder_aside();
  bool attach_engine();
  std::string log_text() const { return testing_support::read_file(dir_.file("relaymx.log")); }
  std::vector<rec_call> engine_calls(int slot) const;
  std::string part_bytes(int call_index, int part) const;

  testing_support::scratch_folder dir_;
  plugin_module plugin_;
  recording_engine engine_;
  bool finalized_ = false;
  std::string data_folder_aside_;
  std::unique_ptr<testing_support::scoped_reg_value> user_folder_, no_root_, no_gui_path_, log_on_;
  std::unique_ptr<saved_data_file> stats_, basic_;
};

}  // namespace client_test
