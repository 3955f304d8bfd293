// sfl_ipc.dll as the plug-in meets it: scores and learning, the lists, the settings blob, the options
// and questions, the model file across loads and damage, processes killed while saving, hostile
// packages and the explanation export.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/engine_interface.h"
#include "settings/record.h"
#include "tests/engine_lib/engine_fixture.h"

using namespace engine_harness;
using testing_support::file_exists;
using testing_support::read_file;
using testing_support::write_file;

namespace engine_test {
namespace {

constexpr int kUntrainedScore = 50;

// Fresh samples of each kind, none of them learned.
std::vector<std::string> samples(bool spam, int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back(synthetic_message(spam, rng));
  return out;
}

int stat(const char* section, const char* key) {
  return static_cast<int>(
      GetPrivateProfileIntA(section, key, -1, (product_data_folder() + "antispam_stat.ini").c_str()));
}

using engine_lib = engine_fixture;

TEST_F(engine_lib, untrained_scores_the_middle_and_learning_separates_spam_from_ham) {
  load();
  std::vector<std::string> spam = samples(true, 10, 1), ham = samples(false, 10, 2);
  for (size_t i = 0; i < spam.size(); ++i) {
    EXPECT_EQ(score(spam[i]), kUntrainedScore) << "spam " << i;
    EXPECT_EQ(score(ham[i]), kUntrainedScore) << "ham " << i;
  }
  train(30);
  int lowest_spam = 100, highest_ham = 0;
  for (size_t i = 0; i < spam.size(); ++i) {
    lowest_spam = std::min(lowest_spam, score(spam[i]));
    highest_ham = std::max(highest_ham, score(ham[i]));
  }
  EXPECT_GT(lowest_spam, kUntrainedScore);
  EXPECT_LT(highest_ham, kUntrainedScore);
}

// Each step writes (or deletes, when content is null) a list file, reloads with the mask, and scores
// a message. The engine is trained first, so the lists visibly override the learned score.
struct list_step {
  const char* file;
  const char* content;
  uint8_t mask;
  const char* from;
  const char* subject;
  bool spam;
  int expected;  // -1: the learned score (above 50 for spam, below for ham)
};

const list_step kListSteps[] = {
    // a white rule on the sender makes that sender's spam good
    {"whitelist.txt", "#Friend\r\nFrom :alice@example.com\r\n", kWhiteListSaved, "alice@example.com", nullptr,
     true, 0},
    {nullptr, nullptr, 0, "mallory@example.com", nullptr, true, -1},
    // the black list is read only when its bit is given
    {"blacklist.txt", "#Lottery\r\nSubject:lottery\r\n", kWhiteListSaved, "bob@example.com", "lottery news",
     false, -1},
    {nullptr, nullptr, kBlackListSaved, "bob@example.com", "lottery news", false, 100},
    // white beats black
    {nullptr, nullptr, 0, "alice@example.com", "lottery news", false, 0},
    // a matches rule with wildcards
    {"blacklist.txt", "#Junk\r\nFrom matches:*@junk.ex?mple.[a-c]om\r\n", kBlackListSaved,
     "x1@junk.example.com", nullptr, false, 100},
    {nullptr, nullptr, 0, "x1@junk.example.org", nullptr, false, -1},
    // a disabled rule does nothing
    {"blacklist.txt", "#Off\r\n##Subject:meeting\r\n", kBlackListSaved, "bob@example.com", "meeting", false,
     -1},
    // a removed file empties its list
    {"whitelist.txt", nullptr, kWhiteListSaved, "alice@example.com", nullptr, true, -1},
};

TEST_F(engine_lib, lists_decide_after_reload) {
  load();
  train(30);
  for (size_t i = 0; i < sizeof(kListSteps) / sizeof(kListSteps[0]); ++i) {
    const list_step& s = kListSteps[i];
    if (s.file && s.content) {
      ASSERT_TRUE(write_file(user_file(s.file), s.content)) << "step " << i;
    } else if (s.file) {
      DeleteFileA(user_file(s.file).c_str());
    }
    if (s.mask) {
      EXPECT_EQ(slot_of<byte_fn>(engine_, kSlotReloadLists)(engine_, s.mask), S_OK) << "step " << i;
    }
    int got = score(synthetic_message(s.spam, rng_, s.from, s.subject));
    if (s.expected >= 0) {
      EXPECT_EQ(got, s.expected) << "step " << i;
    } else if (s.spam) {
      EXPECT_GT(got, kUntrainedScore) << "step " << i;
    } else {
      EXPECT_LT(got, kUntrainedScore) << "step " << i;
    }
  }
}

// The blob a settings record takes its values from.
TEST_F(engine_lib, settings_blob_for_max_single_path_level) {
  load();
  settings_sink sink;
  auto get = slot_of<settings_fn>(engine_, kSlotSettings);
  ASSERT_EQ(get(engine_, "MaxSinglePathLevel", &sink), S_OK);
  const char name[] = "MaxSinglePathLevel";
  ASSERT_EQ(sink.size(), 4 + sizeof(name) + 4 + 8);
  const uint8_t* b = sink.data();
  EXPECT_EQ(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24, 1u);
  EXPECT_EQ(std::memcmp(b + 4, name, sizeof(name)), 0);
  const uint8_t* type = b + 4 + sizeof(name);
  EXPECT_EQ(type[0] | type[1] << 8 | type[2] << 16 | static_cast<uint32_t>(type[3]) << 24,
            static_cast<uint32_t>(kBindDouble));
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | type[4 + i];
  double packed;
  std::memcpy(&packed, &bits, sizeof(packed));
  EXPECT_GE(packed, 0.0);
  EXPECT_LE(packed, 1.0);

  settings_record record;
  double level = -1.0;
  record.bind_setting(kCategoryStorage, kBindDouble, &level, "MaxSinglePathLevel", nullptr);
  record.apply_engine_settings(sink.data(), static_cast<size_t>(sink.size()));
  EXPECT_EQ(level, packed);

  struct bad_case {
    const char* name;
    bool with_sink;
  } bad[] = {{"NoSuchSetting", true},
             {"", true},
             {"maxsinglepathlevel", true},
             {nullptr, true},
             {"MaxSinglePathLevel", false}};
  for (size_t i = 0; i < sizeof(bad) / sizeof(bad[0]); ++i) {
    settings_sink empty;
    EXPECT_TRUE(FAILED(get(engine_, bad[i].name, bad[i].with_sink ? &empty : nullptr))) << "row " << i;
    EXPECT_EQ(empty.size(), 0u) << "row " << i;
  }
}

TEST_F(engine_lib, learning_from_sent_items_switch_and_questions) {
  load();
  EXPECT_NE(query("learn from sent"), S_OK);
  EXPECT_EQ(slot_of<byte_fn>(engine_, kSlotSentOn)(engine_, 1), S_OK);
  EXPECT_EQ(query("learn from sent"), S_OK);
  EXPECT_EQ(call(kSlotSentOff), S_OK);
  EXPECT_NE(query("learn from sent"), S_OK);

  // "trusted" once both classes have 20 messages
  EXPECT_NE(query("trusted"), S_OK);
  train(19);
  EXPECT_EQ(mark(synthetic_message(true, rng_), true), S_OK);
  EXPECT_NE(query("trusted"), S_OK) << "20 spam, 19 good";
  EXPECT_EQ(mark(synthetic_message(false, rng_), false), S_OK);
  EXPECT_EQ(query("trusted"), S_OK);
  // an unknown question fails and leaves the last one asked
  EXPECT_TRUE(FAILED(slot_of<pointer_fn>(engine_, kSlotQueryArgument)(engine_, const_cast<char*>("bogus"))));
  EXPECT_EQ(call(kSlotQuery), S_OK);

  const int unused[] = {kSlot3, kSlot6, kSlot7, kSlot8, kSlot12};
  for (int s : unused) EXPECT_EQ(call(s), E_NOTIMPL) << "slot " << s;
}

TEST_F(engine_lib, model_and_statistics_survive_a_reload) {
  load();
  EXPECT_FALSE(file_exists(user_file("sfl_model.bin")));
  train(25);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(mark(synthetic_message(true, rng_), true), S_OK);
  std::string probe = synthetic_message(true, rng_), good = synthetic_message(false, rng_);
  int before = score(probe), before_good = score(good);
  unload();

  ASSERT_TRUE(file_exists(user_file("sfl_model.bin")));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr,
                             (product_data_folder() + "antispam_stat.ini").c_str());
  EXPECT_EQ(stat("DbStatus", "SpamLetters"), 28);
  EXPECT_EQ(stat("DbStatus", "NonSpamLetters"), 25);
  EXPECT_GT(stat("DbStatus", "SpamWords"), 28);
  EXPECT_GT(stat("DbStatus", "NonSpamWords"), 25);
  EXPECT_EQ(stat("Hits", "MarkAsSpamHits"), 28);
  EXPECT_EQ(stat("Hits", "MarkAsNotSpamHits"), 25);

  load();
  EXPECT_EQ(score(probe), before);
  EXPECT_EQ(score(good), before_good);
  EXPECT_EQ(query("trusted"), S_OK);
  EXPECT_FALSE(file_exists(user_file("sfl_model.bad")));
}

// Ways a model file gets damaged: size, or a byte offset whose lowest bit flips, or a whole file of
// random bytes.
struct damage {
  enum kind { truncate, flip, random } k;
  long long at;  // negative counts from the end
};

const damage kDamage[] = {
    {damage::truncate, 0},  {damage::truncate, 1},  {damage::truncate, 7}, {damage::truncate, 16},
    {damage::truncate, -1}, {damage::truncate, -9}, {damage::flip, 0},     {damage::flip, 5},
    {damage::flip, 20},     {damage::flip, -1},     {damage::flip, -5000}, {damage::random, 0},
};

TEST_F(engine_lib, damaged_model_is_set_aside_and_the_engine_starts_fresh) {
  load();
  train(25);
  unload();
  const std::string good = read_file(user_file("sfl_model.bin"));
  ASSERT_GT(good.size(), 5000u);
  // the engine sets the same bytes aside that it found, so each row checks the file it wrote
  std::mt19937 rng(7);
  std::string probe = synthetic_message(true, rng);
  for (size_t i = 0; i < sizeof(kDamage) / sizeof(kDamage[0]); ++i) {
    const damage& d = kDamage[i];
    size_t at = static_cast<size_t>(d.at < 0 ? static_cast<long long>(good.size()) + d.at : d.at);
    std::string bad = good;
    if (d.k == damage::truncate) bad.resize(at);
    if (d.k == damage::flip) bad[at] = static_cast<char>(bad[at] ^ 1);
    if (d.k == damage::random)
      for (char& c : bad) c = static_cast<char>(rng());
    DeleteFileA(user_file("sfl_model.bad").c_str());
    ASSERT_TRUE(write_file(user_file("sfl_model.bin"), bad)) << "row " << i;
    load();
    EXPECT_EQ(score(probe), kUntrainedScore) << "row " << i;
    EXPECT_NE(query("trusted"), S_OK) << "row " << i;
    unload();
    EXPECT_EQ(read_file(user_file("sfl_model.bad")), bad) << "row " << i;
    EXPECT_FALSE(file_exists(user_file("sfl_model.bin"))) << "row " << i << ": nothing new to save";
  }
  // the intact file still loads
  ASSERT_TRUE(write_file(user_file("sfl_model.bin"), good));
  DeleteFileA(user_file("sfl_model.bad").c_str());
  load();
  EXPECT_EQ(query("trusted"), S_OK);
  EXPECT_FALSE(file_exists(user_file("sfl_model.bad")));
}

// A model saved by an earlier release keeps working: format 4 with the tokenizer defaults of its day
// (see tests/engine_core/model_file_test.cpp), loaded as it stands, never set aside or misread.
TEST_F(engine_lib, model_of_an_earlier_release_loads_with_its_own_parameters) {
  const std::string golden = read_file(std::string(SFL_GOLDEN_DIR) + "model_format4.bin");
  ASSERT_EQ(golden.size(), 691u);
  ASSERT_TRUE(write_file(user_file("sfl_model.bin"), golden));
  load();
  EXPECT_EQ(score("Subject: cheap pills\r\n\r\nbuy now"), 66);
  EXPECT_EQ(score("Subject: notes\r\n\r\nthe meeting"), 46);
  unload();
  EXPECT_FALSE(file_exists(user_file("sfl_model.bad")));
}

// A worker learns and saves every two seconds; it is killed at random moments, and whatever model
// file it left must load without being set aside.
TEST_F(engine_lib, killing_a_learning_process_leaves_a_loadable_model) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string worker = self;
  worker = worker.substr(0, worker.find_last_of('\\') + 1) + "engine_worker.exe";
  ASSERT_TRUE(file_exists(worker)) << worker;

  unsigned seed = GetTickCount();
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> run_ms(300, 2500);
  constexpr int kRounds = 8;
  for (int round = 0; round < kRounds; ++round) {
    // a few long rounds make sure saves happen at all, with room for a loaded machine
    int ms = round % 3 == 1 ? 3500 : run_ms(rng);
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE ready = CreateEventA(&inherit, TRUE, FALSE, nullptr);
    ASSERT_NE(ready, nullptr);
    std::string command =
        "\"" + worker + "\" \"" + dll_path_ + "\" " + std::to_string(reinterpret_cast<uintptr_t>(ready));
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        << GetLastError();
    HANDLE both[2] = {ready, pi.hProcess};
    DWORD woke = WaitForMultipleObjects(2, both, FALSE, 60000);
    EXPECT_EQ(woke, WAIT_OBJECT_0) << "round " << round << ": the worker did not start (seed " << seed << ")";
    Sleep(static_cast<DWORD>(ms));
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(ready);
    if (woke != WAIT_OBJECT_0) break;

    if (!file_exists(user_file("sfl_model.bin"))) continue;
    load();
    unload();
    EXPECT_FALSE(file_exists(user_file("sfl_model.bad")))
        << "round " << round << " after " << ms << " ms: the model was set aside (seed " << seed << ")";
    EXPECT_TRUE(file_exists(user_file("sfl_model.bin"))) << "round " << round;
  }
  // what the workers learned is there
  ASSERT_TRUE(file_exists(user_file("sfl_model.bin"))) << "no save happened (seed " << seed << ")";
  load();
  EXPECT_EQ(query("trusted"), S_OK);
  // saves cut off half-way leave no temporary files behind once an engine has started (a kill in
  // the middle of a write is rare, so one is planted too)
  unload();
  ASSERT_TRUE(write_file(user_file("sfl_model.4242.tmp"), "half a model"));
  load();
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(user_file("sfl_model.*.tmp").c_str(), &found);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "left behind: " << found.cFileName;
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

// Packages the engine may meet from a careless or hostile caller. Each gets an answer, no crash.
TEST_F(engine_lib, hostile_packages_get_an_answer) {
  load();
  train(5);
  std::mt19937 rng(11);
  std::string binary(1 << 16, '\0');
  for (char& c : binary) c = static_cast<char>(rng());
  std::string huge_header = "Subject: " + std::string(200000, 'x') + "\r\n\r\nbody";
  std::string bad_mime =
      "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n--b1\r\nContent-Type: multipart/alternative; "
      "boundary=\r\n\r\n--\r\nContent-Transfer-Encoding: base64\r\n\r\n%%%===!!\r\n--b1\r\n"
      "Content-Transfer-Encoding: quoted-printable\r\n\r\n=ZZ=\r\n=\r\nSubject: =?x?Q?=?=\r\n";
  std::string nested;
  for (int i = 0; i < 200; ++i)
    nested += "Content-Type: multipart/mixed; boundary=\"n" + std::to_string(i) + "\"\r\n\r\n--n" +
              std::to_string(i) + "\r\n";
  std::string big(50u << 20, 'a');
  for (size_t i = 0; i < big.size(); i += 61) big[i] = i % 2 ? ' ' : '\n';
  big.replace(0, 20, "Subject: big\r\n\r\nxx ");

  struct hostile {
    const char* name;
    bool time_part;
    bool text_part;
    const std::string* text;
    bool valid;  // a score comes back; otherwise E_INVALIDARG
  };
  const std::string empty;
  const hostile kCases[] = {
      {"no parts", false, false, nullptr, false},
      {"time part only", true, false, nullptr, false},
      {"only the NUL", true, true, &empty, true},
      {"text without a time part", false, true, &huge_header, true},
      {"random bytes", true, true, &binary, true},
      {"broken MIME", true, true, &bad_mime, true},
      {"deep nesting", true, true, &nested, true},
      {"50 MB", true, true, &big, true},
  };
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    const hostile& c = kCases[i];
    package p;
    if (c.time_part) p.add_time();
    if (c.text_part) { ASSERT_TRUE(p.add_text(*c.text)) << "row " << i; }
    int32_t s = -7;
    HRESULT hr = slot_of<check_fn>(engine_, kSlotCheck)(engine_, p.get(), &s);
    if (c.valid) {
      EXPECT_EQ(hr, S_OK) << "row " << i << ": " << c.name;
      EXPECT_GE(s, 0) << "row " << i;
      EXPECT_LE(s, 100) << "row " << i;
    } else {
      EXPECT_EQ(hr, E_INVALIDARG) << "row " << i << ": " << c.name;
      EXPECT_EQ(s, -7) << "row " << i << ": the score was written";
    }
    HRESULT marked = slot_of<mark_fn>(engine_, kSlotMark)(engine_, p.get(), 1, 1);
    EXPECT_EQ(marked, c.valid ? S_OK : E_INVALIDARG) << "row " << i << ": " << c.name;
  }

  // a text part without data, a null package, a null score
  package no_data;
  package_part* part = package_append(*no_data.get(), kPartText, 0);
  ASSERT_NE(part, nullptr);
  std::free(part->data);
  part->data = nullptr;
  part->size = 100;
  int32_t s = -7;
  EXPECT_EQ(slot_of<check_fn>(engine_, kSlotCheck)(engine_, no_data.get(), &s), E_INVALIDARG);
  EXPECT_EQ(slot_of<check_fn>(engine_, kSlotCheck)(engine_, nullptr, &s), E_INVALIDARG);
  EXPECT_EQ(slot_of<mark_fn>(engine_, kSlotMark)(engine_, nullptr, 0, 1), E_INVALIDARG);
  package fine(synthetic_message(true, rng));
  EXPECT_TRUE(FAILED(slot_of<check_fn>(engine_, kSlotCheck)(engine_, fine.get(), nullptr)));
  EXPECT_EQ(s, -7);
  // the engine still works
  score(synthetic_message(false, rng));
}

std::string explain(explain_fn fn, const std::string& message) {
  int n = fn(message.data(), static_cast<int>(message.size()), nullptr, 0);
  EXPECT_GT(n, 0);
  std::vector<char> buf(static_cast<size_t>(n) + 16, static_cast<char>(0xcc));
  EXPECT_EQ(fn(message.data(), static_cast<int>(message.size()), buf.data(), n), n);
  EXPECT_EQ(buf[static_cast<size_t>(n)], static_cast<char>(0xcc)) << "written past the count";
  return std::string(buf.data(), static_cast<size_t>(n));
}

TEST_F(engine_lib, explanation_names_the_deciding_rule_or_the_features) {
  ASSERT_TRUE(write_file(user_file("blacklist.txt"), "#Lottery rule\r\nSubject:lottery\r\n"));
  load();
  train(30);
  auto fn = export_of<explain_fn>(module_, "sfl_explain");
  auto raw_fn = export_of<explain_fn>(module_, "sfl_explain_features");
  ASSERT_NE(fn, nullptr);
  ASSERT_NE(raw_fn, nullptr);
  std::string listed = synthetic_message(false, rng_, nullptr, "lottery results");
  std::string plain = synthetic_message(true, rng_, nullptr, "viagra casino jackpot");

  // with the live engine, and with one loaded from the files for the call
  for (int pass = 0; pass < 2; ++pass) {
    std::string by_rule = explain(fn, listed);
    EXPECT_NE(by_rule.find("black list rule: Lottery rule"), std::string::npos) << "pass " << pass << ":\n"
                                                                                << by_rule;
    std::string by_features = explain(fn, plain);
    EXPECT_EQ(by_features.find("Lottery rule"), std::string::npos) << "pass " << pass;
    EXPECT_EQ(by_features.find("list rule"), std::string::npos) << "pass " << pass;
    // what a reader knows (header fields, words of the body), never the model's hashed fragments
    EXPECT_NE(by_features.find("from: promo@deals.example"), std::string::npos) << "pass " << pass << ":\n"
                                                                                << by_features;
    bool names_a_word = false;
    for (const char* w : {"viagra", "casino", "jackpot", "credit", "bitcoin", "million", "bonus"})
      names_a_word |= by_features.find(std::string("  ") + w + "\n") != std::string::npos;
    EXPECT_TRUE(names_a_word) << "pass " << pass << ":\n" << by_features;
    EXPECT_EQ(by_features.find("4g:"), std::string::npos) << "pass " << pass << ":\n" << by_features;
    EXPECT_EQ(by_features.find("b:"), std::string::npos) << "pass " << pass << ":\n" << by_features;
    // the model's own features on request
    std::string raw = explain(raw_fn, plain);
    bool names_features = raw.find("b:") != std::string::npos || raw.find("4g:") != std::string::npos;
    EXPECT_TRUE(names_features) << "pass " << pass << ":\n" << raw;
    if (pass == 0) {
      release();  // saves; the library stays loaded
      ASSERT_TRUE(file_exists(user_file("sfl_model.bin")));
    }
  }
  EXPECT_EQ(fn(nullptr, 10, nullptr, 0), 0);
  EXPECT_EQ(fn("x", -1, nullptr, 0), 0);
  // a short buffer gets what fits, and nothing past it
  char small[9];
  std::memset(small, 0xcc, sizeof(small));
  EXPECT_EQ(fn(listed.data(), static_cast<int>(listed.size()), small, 8), 8);
  EXPECT_EQ(small[8], static_cast<char>(0xcc));
  // the transient engine left no trace: a new engine can be created and learns
  load();
  EXPECT_EQ(query("trusted"), S_OK);
}

}  // namespace
}  // namespace engine_test

namespace engine_test {
namespace {

// Another program (a backup tool, a virus scanner) holds the model file open without sharing while
// the engine starts: the engine cannot read it, and must not throw the user's model away for that.
TEST_F(engine_lib, model_held_open_by_another_program_is_kept) {
  load();
  train(25);
  unload();
  const std::string good = read_file(user_file("sfl_model.bin"));
  auto hold = [this] {
    return CreateFileA(user_file("sfl_model.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };

  // held for the whole start: the engine runs fresh and leaves the file alone
  HANDLE held = hold();
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  load();
  CloseHandle(held);
  EXPECT_NE(query("trusted"), S_OK);
  EXPECT_EQ(mark(synthetic_message(true, rng_), true), S_OK);
  unload();
  EXPECT_TRUE(read_file(user_file("sfl_model.bin")) == good) << "the model was replaced by a fresh one";
  EXPECT_FALSE(file_exists(user_file("sfl_model.bad")));

  // held for a moment: the engine waits for it and loads it
  held = hold();
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  HANDLE closer = CreateThread(
      nullptr, 0,
      [](void* h) -> DWORD {
        Sleep(300);
        CloseHandle(static_cast<HANDLE>(h));
        return 0;
      },
      held, 0, nullptr);
  ASSERT_NE(closer, nullptr);
  load();
  WaitForSingleObject(closer, INFINITE);
  CloseHandle(closer);
  EXPECT_EQ(query("trusted"), S_OK);
  EXPECT_FALSE(file_exists(user_file("sfl_model.bad")));
}

}  // namespace
}  // namespace engine_test
