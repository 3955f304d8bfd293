// The list bound to its file: load through the mapping, the safe save and its results, and the
// parser's reasons from the real resource library.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/paths.h"
#include "ui/framework/gui_module.h"
#include "rules/visual_list.h"
#include "tests/support/test_support.h"
#include "ui/framework/gui_module.h"

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::scratch_folder;
using testing_support::write_file;

namespace {

const char kExample[] = "#Friends\r\nFrom :friend@example.com\r\n\r\n#\r\n##:offer\r\n";
const char kOldList[] = "#old\r\n:keep me\r\n";

void fill_example(visual_list& list) {
  list.append(new rule_entry("Friends", "from:friend@example.com"));
  list.append(new rule_entry(8, 0, "", "offer"))->enabled = false;
}

bool is_folder(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(VisualList, TemporaryNames) {
  const char* const cases[][2] = {
      {"C:\\a\\blacklist.txt", "C:\\a\\~blacklist.txt"},
      {"C:\\a\\~blacklist.txt", "C:\\a\\~~blacklist.txt"},
      {"whitelist.txt", "~whitelist.txt"},
      {"C:\\a\\", "C:\\a\\~"},
      {"C:/a/list.txt", "C:/a/~list.txt"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i)
    EXPECT_STREQ(cases[i][1], temporary_list_name(cases[i][0]).c_str()) << "row " << i;
}

TEST(VisualList, FirstSaveWritesTheExampleAndLoadReadsItBack) {
  scratch_folder folder;
  const std::string path = folder.file("whitelist.txt");
  visual_list list;
  list.load(path.c_str());  // no file yet: an empty list bound to the path
  EXPECT_EQ(0u, list.size());
  EXPECT_STREQ(path.c_str(), list.path().c_str());
  fill_example(list);
  EXPECT_EQ(kListSaved, list.save());
  EXPECT_EQ(kExample, read_file(path));
  EXPECT_FALSE(file_exists(folder.file("~whitelist.txt")));
  EXPECT_FALSE(file_exists(folder.file("~~whitelist.txt")));
  for (rule_entry* e : {list.begin()->get(), std::next(list.begin())->get()}) {
    EXPECT_TRUE(e->snapshot_taken);
    EXPECT_FALSE(e->compare_with_snapshot());
  }

  visual_list again;
  again.load(path.c_str());
  ASSERT_EQ(2u, again.size());
  const rule_entry& first = **again.begin();
  const rule_entry& second = **std::next(again.begin());
  EXPECT_STREQ("Friends", first.name.c_str());
  EXPECT_EQ(3u, first.part);
  EXPECT_STREQ("friend@example.com", first.value.c_str());
  EXPECT_TRUE(first.enabled);
  EXPECT_STREQ("offer", second.value.c_str());
  EXPECT_FALSE(second.enabled);

  // Saving again over the existing file replaces it and leaves no other file behind.
  again.remove(std::next(again.begin())->get());
  EXPECT_EQ(kListSaved, again.save());
  EXPECT_EQ("#Friends\r\nFrom :friend@example.com\r\n", read_file(path));
  EXPECT_FALSE(file_exists(folder.file("~~whitelist.txt")));
  again.clear();
  EXPECT_EQ(0u, again.size());
  EXPECT_TRUE(again.path().empty());
}

TEST(VisualList, LoadOfMissingEmptyOrOddFilesGivesWhatIsThere) {
  scratch_folder folder;
  struct load_case {
    const char* name;
    std::string bytes;  // nothing written when the name is "missing"
    size_t entries;
  };
  const load_case cases[] = {
      {"missing", "", 0},
      {"empty.txt", "", 0},
      {"separators.txt", std::string(70000, '\n'), 0},
      {"lf.txt", "#a\nfrom:x\n\n\n##to:y", 2},
      {"zeros.txt", std::string("\0\0\0\r\n#n\0\n:v", 11), 2},  // "nul.txt" would be the null device
      {"long.txt", "#" + std::string(100 * 1024, 'n') + "\r\n:v", 1},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    std::string path = folder.file(cases[i].name);
    if (std::string(cases[i].name) != "missing") {
      ASSERT_TRUE(write_file(path, cases[i].bytes)) << "row " << i;
    }
    visual_list list;
    list.append(new rule_entry(8, 0, "stale", "stale"));
    list.load(path.c_str());
    EXPECT_EQ(cases[i].entries, list.size()) << "row " << i;
  }
  visual_list list;
  list.load("");
  EXPECT_EQ(0u, list.size());
}

TEST(VisualList, LoadSaveLoadKeepsFailedRulesAndHashNames) {
  scratch_folder folder;
  const std::string path = folder.file("blacklist.txt");
  const std::string original =
      "#\\#hash name\r\nSubject not starts case :[list]\r\n\r\n"
      "#broken\r\nsubject from:x\r\n\r\n"
      "#broken off\r\n##nonsense:y\r\n";
  ASSERT_TRUE(write_file(path, original));
  visual_list list;
  list.load(path.c_str());
  ASSERT_EQ(3u, list.size());
  EXPECT_STREQ("#hash name", (*list.begin())->name.c_str());
  EXPECT_TRUE((*std::next(list.begin()))->failed());
  EXPECT_EQ(kListSaved, list.save());
  EXPECT_EQ(original, read_file(path));
}

TEST(VisualList, SaveThatCannotCreateTheTemporaryFileReturns1) {
  scratch_folder folder;
  const std::string path = folder.file("whitelist.txt");
  ASSERT_TRUE(write_file(path, kOldList));
  ASSERT_TRUE(CreateDirectoryA(folder.file("~whitelist.txt").c_str(), nullptr));
  visual_list list;
  list.load(path.c_str());
  list.append(new rule_entry("new", ":x"));
  EXPECT_EQ(kListTempFailed, list.save());
  EXPECT_EQ(kOldList, read_file(path));
  EXPECT_FALSE((*std::next(list.begin()))->snapshot_taken);

  visual_list unbound;
  EXPECT_EQ(kListTempFailed, unbound.save());
}

TEST(VisualList, SaveThatCannotMoveTheOldFileAsideReturns2AndLeavesItUntouched) {
  scratch_folder folder;
  const std::string path = folder.file("whitelist.txt");
  ASSERT_TRUE(write_file(path, kOldList));
  ASSERT_TRUE(CreateDirectoryA(folder.file("~~whitelist.txt").c_str(), nullptr));
  visual_list list;
  list.load(path.c_str());
  fill_example(list);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(kListBackupFailed, list.save());
  EXPECT_NE(0xdeadbeefu, GetLastError());
  EXPECT_EQ(kOldList, read_file(path));
  EXPECT_TRUE(is_folder(folder.file("~~whitelist.txt")));
  // The new content is not lost: it waits in the temporary file.
  EXPECT_EQ("#old\r\n:keep me\r\n\r\n" + std::string(kExample), read_file(folder.file("~whitelist.txt")));
}

// Fails the move of the new file into place, as a file held open by another program would.
BOOL WINAPI move_refusing_final_step(LPCSTR from, LPCSTR to, DWORD flags) {
  if (std::string(path_file_name(from)) == "~blacklist.txt" &&
      std::string(path_file_name(to)) == "blacklist.txt") {
    SetLastError(ERROR_SHARING_VIOLATION);
    return FALSE;
  }
  return MoveFileExA(from, to, flags);
}

TEST(VisualList, SaveThatCannotMoveTheNewFileInReturns3AndRestoresTheOldFile) {
  scratch_folder folder;
  const std::string path = folder.file("blacklist.txt");
  ASSERT_TRUE(write_file(path, kOldList));
  visual_list list;
  list.load(path.c_str());
  fill_example(list);
  EXPECT_EQ(kListReplaceFailed, list.save(move_refusing_final_step));
  EXPECT_EQ(ERROR_SHARING_VIOLATION, GetLastError());
  EXPECT_EQ(kOldList, read_file(path));
  EXPECT_FALSE(file_exists(folder.file("~~blacklist.txt")));
  EXPECT_EQ("#old\r\n:keep me\r\n\r\n" + std::string(kExample), read_file(folder.file("~blacklist.txt")));
}

TEST(VisualList, StaleBackupIsReplacedWhileAnOrphanBackupIsKept) {
  scratch_folder folder;
  const std::string path = folder.file("whitelist.txt");
  const std::string backup = folder.file("~~whitelist.txt");
  ASSERT_TRUE(write_file(path, kOldList));
  ASSERT_TRUE(write_file(backup, "stale"));
  visual_list list;
  fill_example(list);
  list.set_path(path.c_str());  // loads the old list in place of the example
  fill_example(list);
  EXPECT_EQ(kListSaved, list.save());
  EXPECT_FALSE(file_exists(backup));

  // Without a list file the backup may be the last copy of a list: the save leaves it alone.
  ASSERT_TRUE(DeleteFileA(path.c_str()));
  ASSERT_TRUE(write_file(backup, "last copy"));
  EXPECT_EQ(kListSaved, list.save());
  EXPECT_EQ("last copy", read_file(backup));
}

struct resource_case {
  bool with_library;
  uint32_t status;
  bool enabled;
};

TEST(VisualList, ParseErrorsTakeTheirReasonFromTheResourceLibrary) {
  gui_module module(GetModuleHandleA(nullptr));
  set_rule_text_source(&load_resource_string);  // as the plug-in does at start
  HMODULE library = LoadLibraryA((testing_support::program_folder() + "rk_gui.dll").c_str());
  ASSERT_NE(nullptr, library) << GetLastError();
  char expected[512] = {};
  ASSERT_GT(LoadStringA(library, 487, expected, sizeof(expected)), 0);

  const resource_case cases[] = {{true, kParseFailed, false}, {false, kParseFailedNoReason, true}};
  for (size_t i = 0; i < 2; ++i) {
    module.set_resource_instance(cases[i].with_library ? library : nullptr);
    rule_entry entry("n", "subject from:x");
    EXPECT_EQ(cases[i].status, entry.parse_status) << "row " << i;
    EXPECT_EQ(cases[i].enabled, entry.enabled) << "row " << i;
    EXPECT_STREQ("subject from", entry.error_source.c_str()) << "row " << i;
    if (cases[i].with_library) {
      EXPECT_STREQ(expected, entry.error_reason.c_str()) << "row " << i;
      EXPECT_EQ(12u, entry.error_position) << "row " << i;
    } else {
      EXPECT_TRUE(entry.error_reason.empty()) << "row " << i;
    }
  }
  module.set_resource_instance(nullptr);
  set_rule_text_source(nullptr);
  FreeLibrary(library);
}

}  // namespace
