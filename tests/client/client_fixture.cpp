#include "tests/client/client_fixture.h"

#include <shlobj.h>

#include <cstring>

using testing_support::program_folder;
using testing_support::read_file;
using testing_support::scoped_reg_value;

namespace client_test {

host_message g_message;
std::vector<std::pair<int, int>> g_requests;
std::mutex g_requests_mutex;

namespace {
constexpr const char* kPathsKey = "Software\\Kestrom\\Corvane Suite\\Paths";
int* volatile g_null = nullptr;
}  // namespace

int WINAPI host_callback(int, int request, void* buffer, int size) {
  {
    std::lock_guard<std::mutex> hold(g_requests_mutex);
    g_requests.emplace_back(request, size);
  }
  const std::string& reply = request == 100005 ? g_message.text : g_message.time_record;
  if (request != 100005 && request != 100006) return 0;
  if (request == 100005 && g_message.fault) *g_null = 1;
  int length = static_cast<int>(reply.size());
  if (!buffer)
    return request == 100005 && g_message.announced_length != -2 ? g_message.announced_length : length;
  int n = size < length ? size : length;
  std::memcpy(buffer, reply.data(), static_cast<size_t>(n > 0 ? n : 0));
  return request == 100005 && g_message.delivered_length != -2 ? g_message.delivered_length : n;
}

int read_counter(const char* section, const char* key) {
  return static_cast<int>(
      GetPrivateProfileIntA(section, key, 0, (product_data_folder() + "antispam_stat.ini").c_str()));
}

void client_fixture::SetUp() {
  g_message = host_message();
  g_requests.clear();
  static const DWORD kFileLog = 2;
  user_folder_ = std::make_unique<scoped_reg_value>(HKEY_CURRENT_USER, kPathsKey, "aspam settings",
                                                    dir_.file("data\\").c_str());
  no_root_ = std::make_unique<scoped_reg_value>(HKEY_LOCAL_MACHINE, kPathsKey, "AntispamRoot",
                                                static_cast<const char*>(nullptr));
  no_gui_path_ = std::make_unique<scoped_reg_value>(HKEY_LOCAL_MACHINE, kPathsKey, "rk_gui.dll",
                                                    static_cast<const char*>(nullptr));
  log_on_ = std::make_unique<scoped_reg_value>(HKEY_LOCAL_MACHINE, "Software", "EnableZOLTLog", &kFileLog);
  stats_ = std::make_unique<saved_data_file>("antispam_stat.ini");
  basic_ = std::make_unique<saved_data_file>("antispam.ini");
}

void client_fixture::TearDown() {
  if (plugin_.module && !finalized_) plugin_.Finalize();
  unload_plugin(plugin_);
  if (engine_.module) FreeLibrary(engine_.module);
  if (!data_folder_aside_.empty()) {
    std::string folder = data_folder_aside_.substr(0, data_folder_aside_.size() - 6);
    testing_support::remove_tree(folder);
    EXPECT_TRUE(MoveFileA(data_folder_aside_.c_str(), folder.c_str())) << folder;
  }
}

bool client_fixture::set_data_folder_aside() {
  std::string folder = product_data_folder();
  folder.pop_back();
  std::string aside = folder + ".aside";
  if (!MoveFileA(folder.c_str(), aside.c_str())) return false;
  data_folder_aside_ = aside;
  return true;
}

void client_fixture::install(layout l) {
  std::string from = program_folder();
  ASSERT_TRUE(CopyFileA((from + "relaymx.tbp").c_str(), dir_.file("relaymx.tbp").c_str(), FALSE));
  if (l.resource_library) {
    ASSERT_TRUE(CopyFileA((from + "rk_gui.dll").c_str(), dir_.file("rk_gui.dll").c_str(), FALSE));
  }
  if (l.engine) {
    ASSERT_TRUE(
        CopyFileA((from + "..\\fakes\\sfl_ipc.dll").c_str(), dir_.file("sfl_ipc.dll").c_str(), FALSE));
  }
  std::string error;
  ASSERT_TRUE(load_plugin(dir_.file("relaymx.tbp").c_str(), plugin_, error)) << error;
}

void client_fixture::start(int expected_status) {
  EXPECT_EQ(plugin_.Initialize(), expected_status);
  attach_engine();
}

// Holds a reference of its own, so that the record can still be read after the plug-in let go.
bool client_fixture::attach_engine() {
  if (engine_.module) return true;
  if (!GetModuleHandleA(dir_.file("sfl_ipc.dll").c_str())) return false;
  HMODULE m = LoadLibraryA(dir_.file("sfl_ipc.dll").c_str());
  return m && engine_.attach(m);
}

std::vector<rec_call> client_fixture::engine_calls(int slot) const {
  std::vector<rec_call> out;
  for (int i = 0; engine_.module && i < engine_.calls(); ++i) {
    rec_call c;
    if (engine_.call_at(i, &c) && (slot < 0 || c.slot == slot)) out.push_back(c);
  }
  return out;
}

std::string client_fixture::part_bytes(int call_index, int part) const {
  uint64_t size = engine_.part(call_index, part, nullptr, 0);
  std::string bytes(static_cast<size_t>(size), '\0');
  engine_.part(call_index, part, &bytes[0], size);
  return bytes;
}

}  // namespace client_test
