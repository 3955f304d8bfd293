// plughost.exe as a person runs it: a real process, the real plug-in, output captured from files.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/support/ui_driver.h"
#include "ui/framework/resource_ids.h"

using testing_support::program_folder;
using testing_support::read_file;
using testing_support::scoped_reg_value;
using testing_support::scratch_folder;
using testing_support::write_file;

namespace {

constexpr const char* kPathsKey = "Software\\Kestrom\\Corvane Suite\\Paths";
const std::string kEnv1 = "From alice@example.org  Thu Aug 22 13:17:22 2002\n";
const std::string kEnv2 = "From bob@example.org  Fri Aug 23 01:02:03 2002\n";

struct process_result {
  DWORD exit_code = 0xFFFFFFFF;
  std::vector<std::string> out;  // stdout, one entry per line, line ends removed
  std::string err;
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

HANDLE inheritable_file(const std::string& path) {
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
}

// What the plug-in's verdict words mean at the default thresholds.
const char* verdict_of(int score) { return score >= 85 ? "spam" : score >= 75 ? "probable-spam" : "good"; }

class plughost_fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = dir_.file("relaymx.tbp");
    ASSERT_TRUE(CopyFileA((program_folder() + "relaymx.tbp").c_str(), module_.c_str(), FALSE));
    CopyFileA((program_folder() + "rk_gui.dll").c_str(), dir_.file("rk_gui.dll").c_str(), FALSE);
    // The recording engine answers 50 to every check, so a line with 50 went through the engine.
    CopyFileA((program_folder() + "..\\fakes\\sfl_ipc.dll").c_str(), dir_.file("sfl_ipc.dll").c_str(), FALSE);
    CreateDirectoryA(dir_.file("user").c_str(), nullptr);
    user_folder_ = std::make_unique<scoped_reg_value>(HKEY_CURRENT_USER, kPathsKey, "aspam settings",
                                                      dir_.file("user\\").c_str());
    CreateDirectoryA(dir_.file("mail").c_str(), nullptr);
    CreateDirectoryA(dir_.file("mail\\sub").c_str(), nullptr);
    ASSERT_TRUE(write_file(dir_.file("mail\\a.eml"),
                           "Subject: a\r\nDate: Thu, 22 Aug 2002 13:17:22 +0100\r\n\r\nA\r\n"));
    ASSERT_TRUE(write_file(dir_.file("mail\\c.eml"), kEnv1 + "Subject: c\n\nC\n"));
    ASSERT_TRUE(write_file(dir_.file("mail\\sub\\b.eml"), "Subject: b, no date\n\nB\n"));
    ASSERT_TRUE(
        write_file(dir_.file("box"), kEnv1 + "Subject: one\n\n1\n\n" + kEnv2 + "Subject: two\n\n2\n"));
  }

  // input, when given, is the file that the program reads as its standard input; meanwhile runs
  // while the program does, for a test that works its windows.
  process_result run(const std::string& args, const std::string& input = std::string(),
                     const std::function<void()>& meanwhile = nullptr) {
    process_result r;
    std::string out_path = dir_.file("stdout.txt"), err_path = dir_.file("stderr.txt");
    HANDLE out = inheritable_file(out_path), err = inheritable_file(err_path);
    HANDLE in = INVALID_HANDLE_VALUE;
    if (!input.empty()) {
      SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
      in = CreateFileA(input.c_str(), GENERIC_READ, FILE_SHARE_READ, &sa, OPEN_EXISTING, 0, nullptr);
      EXPECT_NE(in, INVALID_HANDLE_VALUE) << input;
    }
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = input.empty() ? GetStdHandle(STD_INPUT_HANDLE) : in;
    si.hStdOutput = out;
    si.hStdError = err;
    std::string command = "\"" + program_folder() + "plughost.exe\" " + args;
    PROCESS_INFORMATION pi = {};
    BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  dir_.path().c_str(), &si, &pi);
    CloseHandle(out);
    CloseHandle(err);
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    EXPECT_TRUE(started) << command;
    if (!started) return r;
    if (meanwhile) meanwhile();
    WaitForSingleObject(pi.hProcess, 120000);
    GetExitCodeProcess(pi.hProcess, &r.exit_code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    r.out = lines_of(read_file(out_path));
    r.err = read_file(err_path);
    return r;
  }

  std::string plugin_arg() const { return "--plugin \"" + module_ + "\" "; }

  scratch_folder dir_;
  std::string module_;
  scoped_reg_value no_root_{HKEY_LOCAL_MACHINE, kPathsKey, "AntispamRoot", static_cast<const char*>(nullptr)};
  std::unique_ptr<scoped_reg_value> user_folder_;
};

// "score verdict name": the score an integer in -1..100 and the verdict the one it implies.
void expect_check_line(const std::string& line, const std::string& name, int* counts, size_t row) {
  std::istringstream in(line);
  int score = -2;
  std::string verdict, rest;
  in >> score >> verdict;
  std::getline(in, rest);
  EXPECT_TRUE(score >= -1 && score <= 100) << "row " << row << ": " << line;
  EXPECT_EQ(verdict, verdict_of(score)) << "row " << row << ": " << line;
  EXPECT_EQ(rest, " " + name) << "row " << row;
  counts[verdict == "spam" ? 0 : verdict == "probable-spam" ? 1 : 2]++;
}

}  // namespace

TEST_F(plughost_fixture, CheckPrintsOneLinePerMessageThenTheSummary) {
  process_result r = run(plugin_arg() + "check \"" + dir_.file("mail") + "\" \"" + dir_.file("box") + "\"");
  ASSERT_EQ(r.exit_code, 0u) << r.err;
  const std::string names[] = {dir_.file("mail\\a.eml"), dir_.file("mail\\c.eml"),
                               dir_.file("mail\\sub\\b.eml"), dir_.file("box") + "#1",
                               dir_.file("box") + "#2"};
  ASSERT_EQ(r.out.size(), 7u) << r.err;
  int counts[3] = {};
  for (size_t i = 0; i < 5; ++i) {
    expect_check_line(r.out[i], names[i], counts, i);
    EXPECT_EQ(r.out[i].rfind("50 good ", 0), 0u) << "row " << i << ": the engine was not asked: " << r.out[i];
  }
  char verdicts[80];
  snprintf(verdicts, sizeof(verdicts), "verdicts: spam %d, probable-spam %d, good %d", counts[0], counts[1],
           counts[2]);
  EXPECT_EQ(r.out[5], verdicts);
  EXPECT_EQ(r.out[6].rfind("messages: 5, ", 0), 0u) << r.out[6];
  EXPECT_NE(r.out[6].find("messages/s"), std::string::npos) << r.out[6];
}

// One message: its verdict is the exit code (0 spam, 1 good, 2 probable spam), from a file or from
// standard input; several: 0, and the summary counts each band. The recording engine answers the
// score that a message names.
TEST_F(plughost_fixture, CheckOfOneMessageExitsWithItsVerdict) {
  struct row {
    int score;
    DWORD exit_code;
    const char* verdict;
  } rows[] = {{100, 0, "spam"}, {85, 0, "spam"}, {84, 2, "probable-spam"}, {75, 2, "probable-spam"},
              {74, 1, "good"},  {0, 1, "good"},  {50, 1, "good"}};
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    const std::string file = dir_.file(("scored" + std::to_string(i) + ".eml").c_str());
    ASSERT_TRUE(write_file(
        file, "Subject: scored\r\nX-Recorded-Score: " + std::to_string(rows[i].score) + "\r\n\r\nbody\r\n"));
    const std::string line = std::to_string(rows[i].score) + " " + rows[i].verdict + " ";
    process_result from_file = run(plugin_arg() + "check \"" + file + "\"");
    EXPECT_EQ(from_file.exit_code, rows[i].exit_code) << "row " << i << ": " << from_file.err;
    ASSERT_FALSE(from_file.out.empty()) << "row " << i;
    EXPECT_EQ(from_file.out[0], line + file) << "row " << i;
    process_result from_input = run(plugin_arg() + "check -", file);
    EXPECT_EQ(from_input.exit_code, rows[i].exit_code) << "row " << i << ": " << from_input.err;
    ASSERT_FALSE(from_input.out.empty()) << "row " << i;
    EXPECT_EQ(from_input.out[0], line + "(stdin)") << "row " << i;
  }

  // Several messages: each band counted; the exit code says only that all were checked.
  ASSERT_TRUE(write_file(dir_.file("three"), kEnv1 + "X-Recorded-Score: 90\n\n1\n\n" + kEnv2 +
                                                 "X-Recorded-Score: 80\n\n2\n\n" + kEnv1 +
                                                 "X-Recorded-Score: 10\n\n3\n"));
  process_result several = run(plugin_arg() + "check \"" + dir_.file("three") + "\"");
  EXPECT_EQ(several.exit_code, 0u) << several.err;
  ASSERT_EQ(several.out.size(), 5u) << several.err;
  EXPECT_EQ(several.out[3], "verdicts: spam 1, probable-spam 1, good 1");
}

// Standard input is read as bytes: a text-mode read would end at the ^Z and never reach the score line
// after it (the message would then score 50, good). The envelope line is left out, as for a file.
TEST_F(plughost_fixture, CheckFromStandardInputReadsPastAControlZ) {
  ASSERT_TRUE(write_file(dir_.file("input.eml"),
                         kEnv1 + "Subject: bytes\r\n\r\nline\r\n\x1a\r\nX-Recorded-Score: 80\r\n"));
  process_result r = run(plugin_arg() + "check -", dir_.file("input.eml"));
  EXPECT_EQ(r.exit_code, 2u) << r.err;
  ASSERT_EQ(r.out.size(), 3u) << r.err;
  EXPECT_EQ(r.out[0], "80 probable-spam (stdin)");
  EXPECT_EQ(r.out[1], "verdicts: spam 0, probable-spam 1, good 0");
}

TEST_F(plughost_fixture, RunWritesAResultLinePerIndexEntry) {
  ASSERT_TRUE(write_file(dir_.file("online.idx"), "spam mail/a.eml\nham mail/sub/b.eml\nham mail/c.eml\n"));
  process_result r = run(plugin_arg() + "run --index \"" + dir_.file("online.idx") + "\" --root \"" +
                         dir_.file("mail") + "\\..\" --results \"" + dir_.file("results.txt") + "\"");
  ASSERT_EQ(r.exit_code, 0u) << r.err;
  std::vector<std::string> results = lines_of(read_file(dir_.file("results.txt")));
  const char* names[] = {"mail/a.eml", "mail/sub/b.eml", "mail/c.eml"};
  ASSERT_EQ(results.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    std::istringstream in(results[i]);
    std::string name, judge;
    int score = -2;
    in >> name >> judge >> score;
    EXPECT_EQ(name, names[i]) << "row " << i;
    EXPECT_TRUE(score >= -1 && score <= 100) << "row " << i << ": " << results[i];
    EXPECT_EQ(judge, score >= 85 ? "spam" : "ham") << "row " << i;
  }
  ASSERT_GE(r.out.size(), 3u);
  // The recording engine scores 50: every message is good, so the spam is missed.
  EXPECT_EQ(r.out[0], "spam: 1: spam 0, probable-spam 0, good 1 (missed)");
  EXPECT_EQ(r.out[1], "ham: 2: spam 0 (false positives), probable-spam 0, good 2");
  ASSERT_GE(r.out.size(), 2u);
  EXPECT_EQ(r.out[r.out.size() - 2].rfind("messages: 3, ", 0), 0u) << r.out[r.out.size() - 2];
  EXPECT_EQ(r.out.back().rfind("time: host reading ", 0), 0u) << r.out.back();
}

TEST_F(plughost_fixture, RunOverTwoFoldersSpreadsTheClassesAndReportsEachWhenVerbose) {
  CreateDirectoryA(dir_.file("spam").c_str(), nullptr);
  ASSERT_TRUE(write_file(dir_.file("spam\\s1.eml"), "Subject: s1\n\nS\n"));
  ASSERT_TRUE(write_file(dir_.file("spam\\s2.eml"), "Subject: s2\n\nS\n"));
  process_result r = run(plugin_arg() + "run --verbose --spam-dir \"" + dir_.file("spam") +
                         "\" --ham-dir \"" + dir_.file("mail") + "\"");
  ASSERT_EQ(r.exit_code, 0u) << r.err;
  // A spam comes next while the share of spam used so far is no larger than that of ham: 0/2 <= 0/3,
  // then 1/2 > 0/3 and 1/2 > 1/3, then 1/2 <= 2/3.
  const std::string expected[][2] = {{"spam", dir_.file("spam\\s1.eml")},
                                     {"ham", dir_.file("mail\\a.eml")},
                                     {"ham", dir_.file("mail\\c.eml")},
                                     {"spam", dir_.file("spam\\s2.eml")},
                                     {"ham", dir_.file("mail\\sub\\b.eml")}};
  ASSERT_EQ(r.out.size(), 9u);  // five messages, then spam, ham, throughput and time lines
  for (size_t i = 0; i < 5; ++i) {
    std::istringstream in(r.out[i]);
    std::string judge, gold, name;
    int score = -2;
    in >> score >> judge >> gold;
    std::getline(in, name);
    EXPECT_EQ(judge, score >= 85 ? "spam" : "ham") << "row " << i;
    EXPECT_EQ(gold, expected[i][0]) << "row " << i;
    EXPECT_EQ(name, " " + expected[i][1]) << "row " << i;
  }
  EXPECT_EQ(r.out[5].rfind("spam: 2: ", 0), 0u) << r.out[5];
  EXPECT_EQ(r.out[6].rfind("ham: 3: ", 0), 0u) << r.out[6];
}

TEST_F(plughost_fixture, TrainCountsWhatItFed) {
  process_result r =
      run(plugin_arg() + "train --ham \"" + dir_.file("mail") + "\" \"" + dir_.file("box") + "\"");
  ASSERT_EQ(r.exit_code, 0u) << r.err;
  ASSERT_EQ(r.out.size(), 2u);
  EXPECT_EQ(r.out[0], "trained as ham: 5");
  EXPECT_EQ(r.out[1].rfind("messages: 5, ", 0), 0u) << r.out[1];
}

TEST_F(plughost_fixture, BadUseExitsNonZeroWithAReason) {
  struct row {
    std::string args;
    DWORD exit_code;
    const char* reason;
  } rows[] = {
      // check exits 3 on every error: 1 and 2 are verdicts.
      {"--plugin \"" + program_folder() + "rk_gui.dll\" check \"" + dir_.file("box") + "\"", 3,
       "does not export TBP_Initialize"},
      {plugin_arg() + "check \"" + dir_.file("nothing") + "\"", 3, "nothing"},
      {plugin_arg() + "check", 3, "check needs"},
      {plugin_arg() + "train \"" + dir_.file("box") + "\"", 2, "--spam or --ham"},
      {plugin_arg() + "run --index", 2, "--index"},
      {plugin_arg() + "run --spam-dir x", 2, "either"},
      {plugin_arg() + "report extra", 2, "no arguments"},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    process_result r = run(rows[i].args);
    EXPECT_EQ(r.exit_code, rows[i].exit_code) << "row " << i << ": " << r.err;
    EXPECT_NE(r.err.find(rows[i].reason), std::string::npos) << "row " << i << ": " << r.err;
  }
}

TEST_F(plughost_fixture, InstallLaysOutTheModulesAndTheHelpFileAndRecordsTheFolders) {
  // The recorded folders are put back afterwards (AntispamRoot by the fixture).
  scoped_reg_value help(HKEY_LOCAL_MACHINE, kPathsKey, "AntispamHelp", static_cast<const char*>(nullptr));
  scoped_reg_value log(HKEY_LOCAL_MACHINE, kPathsKey, "AntispamLog", static_cast<const char*>(nullptr));
  scoped_reg_value library(HKEY_LOCAL_MACHINE, kPathsKey, "rk_gui.dll", static_cast<const char*>(nullptr));
  std::string root = dir_.file("product\\");
  process_result r = run("install \"" + dir_.file("product") + "\"");  // a backslash before " escapes it
  ASSERT_EQ(r.exit_code, 0u) << r.err;
  char recorded[MAX_PATH] = {};
  DWORD size = sizeof(recorded);
  ASSERT_EQ(
      RegGetValueA(HKEY_LOCAL_MACHINE, kPathsKey, "AntispamHelp", RRF_RT_REG_SZ, nullptr, recorded, &size),
      ERROR_SUCCESS);
  EXPECT_STREQ(recorded, (root + "help\\").c_str());
  for (const char* name : {"plughost.exe", "relaymx.tbp", "rk_gui.dll", "help\\help_en.chm"}) {
    std::string built = read_file(program_folder() + name);
    EXPECT_FALSE(built.empty()) << name << " was not built";
    EXPECT_TRUE(read_file(root + name) == built) << name;
  }
}

// The user's way to edit the lists: plughost setup opens the sheet of the plug-in, and afterwards
// names the files the sheet saved. The sheet lives in the other process; real input works it.
TEST_F(plughost_fixture, SetupOpensTheSheetAndTellsWhatItSaved) {
  HWND sheet = nullptr;
  bool typed = false;
  process_result r = run(plugin_arg() + "setup", std::string(), [&] {
    // Found only once shown: a dialog that is still being made would take its controls back.
    auto shown = [](HWND* out, const char* class_name, const char* title) {
      return ui_driver::wait_until(
          [=] { return (*out = FindWindowA(class_name, title)) && IsWindowVisible(*out); });
    };
    shown(&sheet, nullptr, "Antispam settings");
    if (!sheet) return;
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ui_driver::click(GetDlgItem(page, IDC_RULE_ADD));
    HWND rule = nullptr;
    if (shown(&rule, "#32770", "Rule")) {
      HWND ok = GetDlgItem(rule, IDOK);
      ui_driver::click(GetDlgItem(rule, IDC_RULE_VALUE));
      ui_driver::type_text("friend@example.org");
      // OK comes on with the first character that reaches the field.
      typed = ui_driver::wait_until([&] { return IsWindowEnabled(ok) != FALSE; }, 3000);
      ui_driver::click(typed ? ok : GetDlgItem(rule, IDCANCEL));
      ui_driver::wait_until([&] { return !IsWindow(rule); });
    }
    ui_driver::click(GetDlgItem(sheet, IDOK));
    // A sheet left open by a failed step is closed, so that the program ends.
    if (!ui_driver::wait_until([&] { return !IsWindow(sheet); })) PostMessageA(sheet, WM_CLOSE, 0, 0);
  });
  ASSERT_NE(nullptr, sheet) << "the sheet did not open";
  EXPECT_TRUE(typed) << "the value did not reach the rule dialog";
  ASSERT_EQ(0u, r.exit_code) << r.err;
  std::string user = dir_.file("user\\");
  std::vector<std::string> expected = {"setup returned 0", "white list: saved (" + user + "whitelist.txt)",
                                       "black list: unchanged (" + user + "blacklist.txt)",
                                       "settings record: unchanged (" + user + "relaymx.dat)"};
  EXPECT_EQ(expected, r.out);
  EXPECT_EQ("#friend@example.org\r\n:friend@example.org\r\n", read_file(user + "whitelist.txt"));
}
