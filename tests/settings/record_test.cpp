#include "settings/record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "settings/storage.h"
#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using bytes = std::vector<uint8_t>;

void set_env(const char* name, const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value);
#else
  setenv(name, value, 1);
#endif
}

// A record with a member of every binding type, kept in the storage file, plus two kept in the
// text file.
class test_record : public settings_record {
 public:
  test_record() {
    bind_setting(kCategoryStorage, kBindText, &name, "name", nullptr);
    bind_setting(kCategoryStorage, kBindPath, &path, "path", &raw_path);
    bind_setting(kCategoryStorage, kBindUnsigned, &count, "count", nullptr);
    bind_setting(kCategoryStorage, kBindBool, &flag, "flag", nullptr);
    bind_setting(kCategoryStorage, kBindSigned, &delta, "delta", nullptr);
    bind_setting(kCategoryStorage, kBindDouble, &level, "level", nullptr);
    bind_setting(kCategoryText, kBindText, &note, "note", nullptr);
    bind_setting(kCategoryText, kBindSigned, &limit, "limit", nullptr);
    bind_setting(kCategoryText, kBindDouble, &ratio, "ratio", nullptr);
    bind_setting(kCategoryText, kBindBool, &on, "on", nullptr);
    bind_setting(kCategoryText, kBindText, &upper, "Upper", nullptr);
  }
  text name, path, raw_path, note, upper;
  uint32_t count = 7;
  bool flag = false;
  int32_t delta = -3;
  double level = 0.5;
  int32_t limit = 0;
  double ratio = 0;
  bool on = false;
};

void put_u32le(bytes* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void put_record_header(bytes* b, const char* name, uint32_t code) {
  b->insert(b->end(), name, name + std::strlen(name) + 1);
  put_u32le(b, code);
}

uint8_t bool_byte(const bool& b) {
  uint8_t v;
  std::memcpy(&v, &b, 1);
  return v;
}

TEST(SettingsRecord, ResetAfterConstructionLeavesAnEmptyWorkingDirectory) {
  test_record r;
  r.bind(kBindReset);
  EXPECT_STREQ(r.working_directory.c_str(), "");
  ASSERT_NE(r.bindings(), nullptr);
  EXPECT_STREQ(r.bindings()->items.front().name, "working directory");
}

TEST(SettingsRecord, SectionRoundTripStoresOneValuePerNameAndRawPaths) {
  set_env("RMX_RECORD_TEST", "expanded");
  test_record r;
  r.bind_setting(kCategoryStorage, kBindPath, &r.working_directory, "working directory",
                 &r.raw_working_directory);
  r.raw_working_directory = "%RMX_RECORD_TEST%\\dir\\";
  r.name = "spam folder";
  r.raw_path = "%RMX_RECORD_TEST%\\p";
  r.count = 0xFFFFFFF0u;
  r.flag = true;
  r.delta = -12345;
  r.level = 0.25;
  settings_storage s;
  ASSERT_TRUE(r.write_section(s));

  // "working directory" is bound twice but stored once, first, as its raw text.
  storage_handle* key = s.open_key(kSettingsSection, nullptr);
  ASSERT_NE(key, nullptr);
  storage_handle* h = s.open_key(nullptr, key);
  std::vector<std::string> names;
  for (; h; h = s.next_entry_closing(h, true))
    names.push_back(h->id == s.name_id("working directory") ? "wd" : "x");
  s.close_key(key);
  EXPECT_EQ(names.size(), 7u);
  EXPECT_EQ(names.front(), "wd");
  bytes wd(64);
  size_t size = 0;
  ASSERT_TRUE(s.get_value("antispam basic settings\\working directory", nullptr, wd.data(), wd.size(), &size,
                          kCodeBlock, nullptr));
  std::string raw = r.raw_working_directory.c_str();
  ASSERT_EQ(size, 4 + 2 + raw.size());
  EXPECT_EQ(wd[0], kBindPath);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(wd.data()) + 6, raw.size()), raw);

  test_record back;
  back.bind_setting(kCategoryStorage, kBindPath, &back.working_directory, "working directory",
                    &back.raw_working_directory);
  ASSERT_TRUE(back.read_section(s));
  EXPECT_STREQ(back.name.c_str(), "spam folder");
  EXPECT_STREQ(back.raw_path.c_str(), "%RMX_RECORD_TEST%\\p");
  EXPECT_STREQ(back.path.c_str(), "expanded\\p");
  EXPECT_STREQ(back.working_directory.c_str(), "expanded\\dir\\");
  EXPECT_EQ(back.count, 0xFFFFFFF0u);
  EXPECT_TRUE(back.flag);
  EXPECT_EQ(back.delta, -12345);
  EXPECT_EQ(back.level, 0.25);
}

TEST(SettingsRecord, ShortOrMissingStoredValuesLeaveMembers) {
  test_record r;
  settings_storage s;
  storage_handle* key = s.create_key(kSettingsSection, nullptr, false);
  // Stored type code 3 on an i32 binding is not compared; the short double and text are ignored.
  const uint8_t delta[] = {3, 0, 0, 0, 0x10, 0, 0, 0};
  const uint8_t level[] = {5, 0, 0, 0, 1, 2, 3};
  const uint8_t name[] = {0, 0, 0, 0, 9, 0, 'a', 'b'};
  s.set_value("delta", key, delta, sizeof delta, kCodeBlock, false);
  s.set_value("level", key, level, sizeof level, kCodeBlock, false);
  s.set_value("name", key, name, sizeof name, kCodeBlock, false);
  s.close_key(key);
  r.name = "kept";
  ASSERT_TRUE(r.read_section(s));
  EXPECT_EQ(r.delta, 0x10);
  EXPECT_EQ(r.level, 0.5);
  EXPECT_STREQ(r.name.c_str(), "kept");
  EXPECT_EQ(r.count, 7u);

  settings_storage empty;
  EXPECT_FALSE(r.read_section(empty));
}

TEST(EngineBlob, RecordsGoToTheirBindings) {
  test_record r;
  bytes blob;
  put_u32le(&blob, 4);
  put_record_header(&blob, "unknown", kBindText);  // skipped: 16-bit length and bytes
  blob.insert(blob.end(), {3, 0, 'x', 'y', 'z'});
  put_record_header(&blob, "flag", kBindDouble);  // a bool takes one byte whatever the code says
  blob.push_back(7);
  put_record_header(&blob, "name", kBindText);
  blob.insert(blob.end(), {2, 0, 'o', 'k'});
  put_record_header(&blob, "level", kBindDouble);
  const uint8_t quarter[8] = {0, 0, 0, 0, 0, 0, 0xD0, 0x3F};
  blob.insert(blob.end(), quarter, quarter + 8);
  r.apply_engine_settings(blob.data(), blob.size());
  EXPECT_TRUE(r.flag);
  EXPECT_EQ(bool_byte(r.flag), 1);
  EXPECT_STREQ(r.name.c_str(), "ok");
  EXPECT_EQ(r.level, 0.25);
  r.apply_engine_settings(nullptr, 100);  // nothing to read
  EXPECT_EQ(r.level, 0.25);
}

// The blob the engine hands over is built by the same code that reads it: every type survives, and the
// bytes are those of the documented layout.
TEST(EngineBlob, BuiltFromBindingsReadsBackIntoAnotherRecord) {
  test_record source;
  source.name = "spam box";
  source.raw_path = "C:\\raw";
  source.count = 0xA1B2C3D4u;
  source.flag = true;
  source.delta = -70000;
  source.level = 0.75;
  const std::vector<setting_binding>& items = source.bindings()->items;
  bytes blob = settings_blob(items.data(), items.size());
  test_record target;
  target.name = "........";  // the reader's budget is what the target's members could hold
  target.raw_path = "......";
  target.apply_engine_settings(blob.data(), blob.size());
  EXPECT_STREQ(target.name.c_str(), "spam box");
  EXPECT_STREQ(target.raw_path.c_str(), "C:\\raw");  // a path travels as its raw text
  EXPECT_EQ(target.count, 0xA1B2C3D4u);
  EXPECT_TRUE(target.flag);
  EXPECT_EQ(target.delta, -70000);
  EXPECT_EQ(target.level, 0.75);

  double level = 0.25;
  setting_binding one;
  one.field = &level;
  one.name = kEngineSettingsName;
  one.type = kBindDouble;
  bytes expected;
  put_u32le(&expected, 1);
  put_record_header(&expected, "MaxSinglePathLevel", kBindDouble);
  const uint8_t quarter[8] = {0, 0, 0, 0, 0, 0, 0xD0, 0x3F};
  expected.insert(expected.end(), quarter, quarter + 8);
  EXPECT_EQ(settings_blob(&one, 1), expected);
  EXPECT_EQ(settings_blob(nullptr, 0), bytes({0, 0, 0, 0}));
}

// Each truncation applies exactly the records that fit; the text is emptied once its record began.
TEST(EngineBlob, TruncatedBlobAppliesOnlyWholeRecords) {
  bytes blob;
  put_u32le(&blob, 3);
  put_record_header(&blob, "flag", kBindBool);
  blob.push_back(1);
  const size_t flag_end = blob.size();
  put_record_header(&blob, "name", kBindText);
  const size_t name_header_end = blob.size();
  blob.insert(blob.end(), {3, 0, 'a', 'b', 'c'});
  const size_t name_end = blob.size();
  put_record_header(&blob, "delta", kBindSigned);
  put_u32le(&blob, 42);
  for (size_t n = 0; n <= blob.size(); ++n) {
    test_record r;
    r.name = "old";
    bytes cut(blob.begin(), blob.begin() + n);
    r.apply_engine_settings(cut.data(), cut.size());
    EXPECT_EQ(r.flag, n >= flag_end) << "length " << n;
    const char* name = n >= name_end ? "abc" : n >= name_header_end ? "" : "old";
    EXPECT_STREQ(r.name.c_str(), name) << "length " << n;
    EXPECT_EQ(r.delta, n == blob.size() ? 42 : -3) << "length " << n;
  }
}

TEST(EngineBlob, FlippedAndOversizedBlobsKeepMembersSound) {
  bytes blob;
  put_u32le(&blob, 3);
  put_record_header(&blob, "name", kBindText);
  blob.insert(blob.end(), {3, 0, 'a', 'b', 'c'});
  put_record_header(&blob, "flag", kBindBool);
  blob.push_back(1);
  put_record_header(&blob, "path", kBindPath);
  blob.insert(blob.end(), {1, 0, 'p'});
  for (size_t i = 0; i < blob.size(); ++i) {
    for (uint8_t mask : {0x01, 0x80, 0xFF}) {
      bytes bad = blob;
      bad[i] ^= mask;
      test_record r;
      r.apply_engine_settings(bad.data(), bad.size());
      EXPECT_LE(bool_byte(r.flag), 1) << "byte " << i;
      EXPECT_LE(r.name.size(), bad.size()) << "byte " << i;
      EXPECT_LE(r.raw_path.size(), bad.size()) << "byte " << i;
    }
  }
  // A text longer than the budget stops the parse after emptying the member.
  bytes big;
  put_u32le(&big, 1);
  put_record_header(&big, "name", kBindText);
  big.insert(big.end(), {0xFF, 0xFF});
  big.resize(big.size() + 0xFFFF, 'q');
  test_record r;
  r.name = "old";
  r.apply_engine_settings(big.data(), big.size());
  EXPECT_STREQ(r.name.c_str(), "");
}

TEST(TextFile, WritesAndReadsCategoryOneBindings) {
  const std::string path = testing::TempDir() + "record_text_test.txt";
  test_record r;
  r.note = "hello world";
  r.limit = -17;
  r.ratio = 0.1234567;
  r.on = true;
  ASSERT_TRUE(r.write_text_file(path.c_str()));
  std::string content;
  {
    std::ifstream in(path, std::ios::binary);  // closed before the file is removed: Windows keeps open files
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  EXPECT_EQ(content, "note=\"hello world\"\nlimit=\"-17\"\nratio=\"0.123457\"\non=\"1\"\nUpper=\"\"\n");
  test_record back;
  ASSERT_TRUE(back.read_text_file(path.c_str()));
  EXPECT_STREQ(back.note.c_str(), "hello world");
  EXPECT_EQ(back.limit, -17);
  EXPECT_DOUBLE_EQ(back.ratio, 0.123457);
  EXPECT_TRUE(back.on);
  std::remove(path.c_str());
}

TEST(TextFile, LineRules) {
  const std::string path = testing::TempDir() + "record_lines_test.txt";
  struct row {
    const char* line;
    const char* note;
  } rows[] = {
      {"note=value;comment\n", "value"},
      {"  NOTE \t= \"a;b\" tail\n", "a;b"},
      {"note=trailing  \n", "trailing  "},
      {"; note=commented\n", "unset"},
      {"note\n", "unset"},
      {" =x\n", "unset"},
      {"note=   \n", "unset"},
      {"Upper=x\n", "unset"},  // keys are lowered, so a name with capitals never matches
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << rows[i].line;
    }
    test_record r;
    r.note = "unset";
    EXPECT_TRUE(r.read_text_file(path.c_str())) << "row " << i;
    EXPECT_STREQ(r.note.c_str(), rows[i].note) << "row " << i;
    EXPECT_STREQ(r.upper.c_str(), "") << "row " << i;
  }
  std::remove(path.c_str());
  test_record r;
  EXPECT_FALSE(r.read_text_file(path.c_str()));
  EXPECT_FALSE(r.write_text_file(nullptr));
}

}  // namespace
