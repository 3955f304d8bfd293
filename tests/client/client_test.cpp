// The plug-in's main work through its exports, with the recording engine in place of the real one.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/version.h"
#include "settings/plugin_settings.h"
#include "settings/record.h"
#include "tests/client/client_fixture.h"

using namespace client_test;

namespace {

constexpr int kFailed = static_cast<int>(0x80004005);

bool contains(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

struct counters {
  int spam, probable, good, total;
};
// The plug-in adds its counts to the file at most once a second; building the report flushes them.
counters read_counters(plugin_module& plugin) {
  plugin.GetInfo(nullptr, 0);
  return {read_counter("Status", "spam"), read_counter("Status", "ProbableSpam"),
          read_counter("Status", "GoodMessages"), read_counter("Status", "Total")};
}

void write_basic(const char* key, int value) {
  WritePrivateProfileStringA("Settings", key, std::to_string(value).c_str(),
                             (product_data_folder() + "antispam.ini").c_str());
}

}  // namespace

TEST_F(client_fixture, StartBindsTheEngineAndStopReleasesIt) {
  install();
  start();
  EXPECT_EQ(plugin_.GetStatus(), 0);
  EXPECT_EQ(plugin_.NeedConfig(), 1);
  std::vector<rec_call> calls = engine_calls(-1);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].slot, 9);
  EXPECT_STREQ(calls[0].name, "MaxSinglePathLevel");
  EXPECT_EQ(calls[1].slot, 13);  // learning from sent items is off at every start
  plugin_.Finalize();
  finalized_ = true;
  EXPECT_EQ(engine_.references(), 0);
  std::string log = log_text();
  for (const char* line :
       {"[i] __bind_settings_offline - client only", "[i] __bind_settings_online - with server running",
        "[i] train by sent emails was switched 0", "[i] Startup_operations completed",
        "[i] client initialized"})
    EXPECT_TRUE(contains(log, line)) << line;
  size_t deinit = log.find("[i] tb_plugin deinit called");
  ASSERT_NE(deinit, std::string::npos);
  EXPECT_NE(log.find("[i] deinit_client called", deinit), std::string::npos);
}

TEST_F(client_fixture, StoredTrainBySentItemsStillSwitchesItOffAtStart) {
  {
    plugin_settings record;
    record.bind(kBindRegister);
    record.bind(kBindReset);
    record.train_by_sent_items = true;
    CreateDirectoryA(dir_.file("data").c_str(), nullptr);
    ASSERT_EQ(record.save_record(dir_.file("data\\relaymx.dat").c_str(), nullptr, 1), 0u);
  }
  install();
  start();
  std::vector<rec_call> calls = engine_calls(-1);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().slot, 13);
  EXPECT_TRUE(engine_calls(11).empty());
}

TEST_F(client_fixture, CheckFetchesPacksScoresAndCounts) {
  install();
  start();
  engine_.reset();
  engine_.set_check(42, S_OK);
  g_requests.clear();
  EXPECT_EQ(plugin_.GetSpamScore(7, host_callback), 42);
  const int n = static_cast<int>(g_message.text.size());
  ASSERT_EQ(g_requests.size(), 2u);
  EXPECT_EQ(g_requests[0], std::make_pair(100005, 0));
  EXPECT_EQ(g_requests[1], std::make_pair(100005, n));
  std::vector<rec_call> calls = engine_calls(-1);
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(calls[0].slot, 4);
  ASSERT_EQ(calls[0].parts, 2);
  EXPECT_EQ(calls[0].part_type[0], 5u);
  EXPECT_EQ(calls[0].part_size[0], 16u);
  EXPECT_EQ(calls[0].part_type[1], 0u);
  EXPECT_EQ(calls[0].part_size[1], static_cast<uint64_t>(n) + 1);
  EXPECT_EQ(part_bytes(0, 1), g_message.text + std::string(1, '\0'));
  counters c = read_counters(plugin_);
  EXPECT_EQ(c.total, 1);
  EXPECT_EQ(c.good, 1);
  EXPECT_TRUE(contains(log_text(), "[i] do_filter_action invoked with MsgID(7), result (42)"));
}

TEST_F(client_fixture, ThresholdsSortScoresIntoVerdicts) {
  struct row {
    int score, spam_threshold, unsure_threshold;  // 0: the file has no such key
    int verdict;                                  // 0 spam, 1 probable, 2 good
  } rows[] = {
      {0, 0, 0, 2},   {74, 0, 0, 2},  {75, 0, 0, 1},   {84, 0, 0, 1},   {85, 0, 0, 0},   {100, 0, 0, 0},
      {0, 50, -1, 2}, {1, 50, -1, 1}, {70, 60, 90, 2}, {89, 60, 90, 2}, {90, 60, 90, 0},
  };
  install();
  start();
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    DeleteFileA((product_data_folder() + "antispam.ini").c_str());
    if (rows[i].spam_threshold) write_basic("spam threshold", rows[i].spam_threshold);
    if (rows[i].unsure_threshold) write_basic("unsure threshold", rows[i].unsure_threshold);
    counters before = read_counters(plugin_);
    engine_.set_check(rows[i].score, S_OK);
    EXPECT_EQ(plugin_.GetSpamScore(1, host_callback), rows[i].score) << "row " << i;
    counters after = read_counters(plugin_);
    EXPECT_EQ(after.total, before.total + 1) << "row " << i;
    EXPECT_EQ(after.spam - before.spam, rows[i].verdict == 0 ? 1 : 0) << "row " << i;
    EXPECT_EQ(after.probable - before.probable, rows[i].verdict == 1 ? 1 : 0) << "row " << i;
    EXPECT_EQ(after.good - before.good, rows[i].verdict == 2 ? 1 : 0) << "row " << i;
  }
}

TEST_F(client_fixture, TrainingFetchesTimeRecordAndTextAndMarks) {
  install();
  start();
  for (int is_spam : {7, 0}) {
    engine_.reset();
    g_requests.clear();
    EXPECT_EQ(plugin_.FeedSpam(3, is_spam, host_callback), 0);
    const int n = static_cast<int>(g_message.text.size());
    std::vector<std::pair<int, int>> expected = {{100006, 0}, {100006, 16}, {100005, 0}, {100005, n}};
    EXPECT_EQ(g_requests, expected) << is_spam;
    std::vector<rec_call> calls = engine_calls(-1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].slot, 5);
    EXPECT_EQ(calls[0].int_arg, is_spam ? 1 : 0);
    EXPECT_EQ(calls[0].byte_arg, 1);
    EXPECT_EQ(part_bytes(0, 0), g_message.time_record);
  }
  EXPECT_EQ(read_counters(plugin_).total, 0);  // training counts nothing
  std::string log = log_text();
  EXPECT_TRUE(contains(log, "TBP_FeedSpam invoked with MSID=3, isSPAM=7"));
  EXPECT_TRUE(contains(log, "mark_mail (1)"));
  EXPECT_TRUE(contains(log, "mark_mail (0)"));
}

TEST_F(client_fixture, MisbehavingHostOrEngineGivesNoScoreAndNoCrash) {
  struct row {
    const char* what;
    bool fault;
    int announced, delivered;
    HRESULT check_result;
    int fault_slot;
    bool engine_asked;
  } rows[] = {
      {"callback faults", true, -2, -2, S_OK, -1, false},
      {"negative length", false, -5, -2, S_OK, -1, false},
      {"engine fails", false, -2, -2, E_FAIL, -1, true},
      {"engine faults", false, -2, -2, S_OK, 4, false},
  };
  install();
  start();
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    g_message = host_message();
    g_message.fault = rows[i].fault;
    g_message.announced_length = rows[i].announced;
    g_message.delivered_length = rows[i].delivered;
    engine_.reset();
    engine_.set_check(60, rows[i].check_result);
    engine_.set_fault(rows[i].fault_slot);
    counters before = read_counters(plugin_);
    EXPECT_EQ(plugin_.GetSpamScore(2, host_callback), -1) << rows[i].what;
    EXPECT_EQ(engine_calls(4).size(), rows[i].engine_asked ? 1u : 0u) << rows[i].what;
    counters after = read_counters(plugin_);
    EXPECT_EQ(after.good, before.good + 1) << rows[i].what;
    EXPECT_EQ(after.total, before.total + 1) << rows[i].what;
  }
  engine_.set_fault(-1);
  g_message = host_message();
  EXPECT_EQ(plugin_.GetSpamScore(2, host_callback), 60);  // the engine still answers afterwards
}

// The answer of the second request is not a byte count: a client may return a status there. The text
// is always the announced length, with the NUL at that index.
TEST_F(client_fixture, SecondTextAnswerIsNotUsed) {
  struct row {
    int announced, delivered;
  } rows[] = {{-2, 0}, {-2, -7}, {-2, 1}, {-2, 100000}, {4, 9}, {0, 5}};
  install();
  start();
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    g_message = host_message();
    g_message.announced_length = rows[i].announced;
    g_message.delivered_length = rows[i].delivered;
    size_t length = rows[i].announced == -2 ? g_message.text.size() : static_cast<size_t>(rows[i].announced);
    engine_.reset();
    engine_.set_check(60, S_OK);
    EXPECT_EQ(plugin_.GetSpamScore(2, host_callback), 60) << "row " << i;
    ASSERT_EQ(engine_calls(4).size(), 1u) << "row " << i;
    EXPECT_EQ(part_bytes(0, 1), g_message.text.substr(0, length) + std::string(1, '\0')) << "row " << i;
  }
}

TEST_F(client_fixture, MisbehavingHostLearnsNothing) {
  struct row {
    const char* what;
    std::string time_record;
    bool fault;
  } rows[] = {
      {"time record shorter than a time stamp", std::string(10, '\x01'), false},
      {"empty time record", std::string(), false},
      {"callback faults on the text", std::string(16, '\x01'), true},
  };
  install();
  start();
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    g_message = host_message();
    g_message.time_record = rows[i].time_record;
    g_message.fault = rows[i].fault;
    engine_.reset();
    EXPECT_EQ(plugin_.FeedSpam(4, 1, host_callback), 0) << rows[i].what;
    EXPECT_TRUE(engine_calls(5).empty()) << rows[i].what;
  }
}

TEST_F(client_fixture, WithoutTheEngineEveryCheckIsMinusOneAndGood) {
  install({true, false});
  start();
  EXPECT_EQ(plugin_.GetStatus(), 0);
  EXPECT_EQ(plugin_.GetSpamScore(1, host_callback), -1);
  EXPECT_EQ(plugin_.GetSpamScore(2, host_callback), -1);
  EXPECT_EQ(plugin_.FeedSpam(1, 1, host_callback), 0);
  counters c = read_counters(plugin_);
  EXPECT_EQ(c.good, 2);
  EXPECT_EQ(c.total, 2);
  std::string log = log_text();
  EXPECT_TRUE(contains(log, "::LoadLibrary(" + dir_.file("sfl_ipc.dll") + ") failed: 0x0000007E"));
  // The wrapper's line comes once, when its connector is made; each later attempt is the connector's.
  size_t first = log.find("[-] tb_spam engine initialization failed");
  EXPECT_NE(first, std::string::npos);
  EXPECT_EQ(log.find("[-] tb_spam engine initialization failed", first + 1), std::string::npos);
}

TEST_F(client_fixture, RefusingEngineFactoryIsNoEngine) {
  install();
  // The engine library is loaded by the start; its factory refuses from then on.
  ASSERT_TRUE(engine_.attach(LoadLibraryA(dir_.file("sfl_ipc.dll").c_str())));
  engine_.set_factory(E_OUTOFMEMORY);
  EXPECT_EQ(plugin_.Initialize(), 0);
  EXPECT_EQ(plugin_.GetSpamScore(1, host_callback), -1);
  engine_.set_factory(S_OK);  // a later call connects
  EXPECT_EQ(plugin_.GetSpamScore(1, host_callback), 50);
}

TEST_F(client_fixture, DisabledForThisHost) {
  write_basic("enable thebat", 0);
  install();
  EXPECT_EQ(plugin_.Initialize(), kFailed);
  EXPECT_EQ(plugin_.GetStatus(), -2);
  EXPECT_EQ(plugin_.NeedConfig(), 0);
  EXPECT_EQ(GetModuleHandleA(dir_.file("sfl_ipc.dll").c_str()), nullptr);  // the engine is not touched
  std::string log = log_text();
  EXPECT_FALSE(contains(log, "[i] client initialized"));
  EXPECT_TRUE(contains(log, "[i] deinit_client called"));
}

TEST_F(client_fixture, WithoutTheResourceLibraryTheStartFails) {
  install({false, true});
  EXPECT_EQ(plugin_.Initialize(), kFailed);
  EXPECT_EQ(plugin_.GetStatus(), -2);
  std::string log = log_text();
  EXPECT_TRUE(contains(log, "[i] init_client called"));
  EXPECT_TRUE(contains(log, "[init_res] error: couldn't locate rk_gui.dll"));
  EXPECT_FALSE(contains(log, "[i] client initialized"));
  EXPECT_FALSE(contains(log, "[i] deinit_client called"));
}

TEST_F(client_fixture, InfoReportFollowsTheTemplate) {
  std::string stats = product_data_folder() + "antispam_stat.ini";
  const char* values[][3] = {{"Hits", "MarkAsSpamHits", "3"},     {"Hits", "MarkAsNotSpamHits", "4"},
                             {"DbStatus", "NonSpamLetters", "5"}, {"DbStatus", "NonSpamWords", "6"},
                             {"DbStatus", "SpamLetters", "7"},    {"DbStatus", "SpamWords", "8"},
                             {"Status", "GoodMessages", "9"},     {"Status", "spam", "10"},
                             {"Status", "ProbableSpam", "11"},    {"Status", "Total", "30"}};
  for (auto& v : values) WritePrivateProfileStringA(v[0], v[1], v[2], stats.c_str());
  install();
  start();
  HMODULE strings = LoadLibraryExA(dir_.file("rk_gui.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  auto s = [&](UINT id) {
    char buf[4096] = {};
    LoadStringA(strings, id, buf, sizeof(buf));
    return std::string(buf);
  };
  std::string expected = "<html>" + s(233) + "<br><br>" + s(235) + "<br><br>" + s(237) + "<br><br>" + s(238) +
                         "<br><br><hr>relaymx " RELAYMX_VERSION_TEXT
                         "<br>The text below exists ONLY in private (i.e. "
                         "not public) build<br><br>"
                         "<h3>Hits:</h3><ul><li>Mark as Spam hits: 3</li><li>Mark as Not spam hits: "
                         "4</li></ul><hr><h3>Status of base</h3>"
                         "<ul><li>No spam messages in the base: 5</li><li>No spam words in the base: "
                         "6</li><li>Spam messages in the base: 7"
                         "</li><li>Spam words in the base: 8</li></ul><hr><h3>Spam detection "
                         "status</h3><ul><li>Good messages detected: 9"
                         "</li><li>Spam messages detected: 10</li><li>Probable spam messages detected: "
                         "11</li><hr><li>Total messages "
                         "detected: 30</li></ul></html>";
  FreeLibrary(strings);
  EXPECT_FALSE(s(233).empty());
  int length = plugin_.GetInfo(nullptr, 0);
  EXPECT_EQ(length, static_cast<int>(expected.size()));
  EXPECT_EQ(plugin_.GetInfo(nullptr, -1), length);
  std::string buf(static_cast<size_t>(length) + 8, '\xCC');
  EXPECT_EQ(plugin_.GetInfo(&buf[0], 0), length);
  EXPECT_EQ(buf[0], '\xCC');
  EXPECT_EQ(plugin_.GetInfo(&buf[0], length), length);
  EXPECT_EQ(buf.substr(0, static_cast<size_t>(length)), expected);
  EXPECT_EQ(buf[static_cast<size_t>(length)], '\xCC');
}

TEST_F(client_fixture, ConcurrentChecksAndTrainingsAreSerialisedAndCountedOnce) {
  install();
  start();
  engine_.reset();
  engine_.set_check(90, S_OK);
  constexpr int kThreads = 4, kRounds = 25;
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        if (plugin_.GetSpamScore(t * 1000 + i, host_callback) != 90) ++wrong;
        plugin_.FeedSpam(t * 1000 + i, i & 1, host_callback);
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
  counters c = read_counters(plugin_);
  EXPECT_EQ(c.total, kThreads * kRounds);
  EXPECT_EQ(c.spam, kThreads * kRounds);
  EXPECT_EQ(engine_calls(4).size(), static_cast<size_t>(kThreads * kRounds));
  EXPECT_EQ(engine_calls(5).size(), static_cast<size_t>(kThreads * kRounds));
  for (const rec_call& call : engine_calls(-1)) EXPECT_EQ(call.overlapped, 0) << "slot " << call.slot;
}

TEST_F(client_fixture, CountsReachTheFileWhenTheDataFolderIsMissing) {
  ASSERT_TRUE(set_data_folder_aside());
  install();
  start();
  EXPECT_EQ(plugin_.GetSpamScore(1, host_callback), 50);
  counters c = read_counters(plugin_);
  EXPECT_EQ(c.total, 1);
  EXPECT_EQ(c.good, 1);
}

// A client that ends without TBP_Finalize while the real engine is learning, within a second of its
// last check: the exit must not hang, the engine keeps what it learned and the count reaches the file.
TEST(ClientExit, ProcessEndsWithoutFinalize) {
  saved_data_file stats("antispam_stat.ini");
  saved_data_file basic("antispam.ini");
  testing_support::scratch_folder dir;
  for (const char* name : {"relaymx.tbp", "rk_gui.dll", "sfl_ipc.dll"})
    ASSERT_TRUE(CopyFileA((testing_support::program_folder() + name).c_str(), dir.file(name).c_str(), FALSE));
  CreateDirectoryA(dir.file("user").c_str(), nullptr);
  testing_support::scoped_reg_value user(HKEY_CURRENT_USER, "Software\\Kestrom\\Corvane Suite\\Paths",
                                         "aspam settings", dir.file("user\\").c_str());
  std::string command = "\"" + testing_support::program_folder() +
                        "..\\tests-bin\\exit_without_finalize.exe\" \"" + dir.file("relaymx.tbp") + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  DWORD waited = WaitForSingleObject(pi.hProcess, 60000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_EQ(waited, WAIT_OBJECT_0) << "the process did not end";
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(testing_support::file_exists(dir.file("user\\sfl_model.bin")));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, stats.path().c_str());  // written by the child
  EXPECT_EQ(read_counter("Status", "Total"), 1);
}
