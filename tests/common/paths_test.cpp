#include "common/paths.h"

#include <gtest/gtest.h>

TEST(Paths, Operations) {
  struct row {
    const char* path;
    int op;  // 0 remove file name, 1 append component, 2 append extension, 3 remove extension
    const char* arg;
    const char* expected;
  } rows[] = {
      {"C:\\a\\b.tbp", 0, nullptr, "C:\\a\\"},
      {"b.tbp", 0, nullptr, ""},
      {"C:\\a", 1, "b", "C:\\a\\b"},
      {"C:\\a\\", 1, "\\b", "C:\\a\\b"},
      {"", 1, "b", "b"},
      {"C:\\a\\log", 2, ".log", "C:\\a\\log.log"},
      {"C:\\a\\profiler.log", 3, nullptr, "C:\\a\\profiler"},
      {"C:\\a.b\\file", 3, nullptr, "C:\\a.b\\file"},  // a dot in a folder name is no extension
      {"C:\\a\\x.tar.gz", 3, nullptr, "C:\\a\\x.tar"},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    text p(rows[i].path);
    switch (rows[i].op) {
      case 0: path_remove_file_name(p); break;
      case 1: path_append(p, rows[i].arg); break;
      case 2: path_append_extension(p, rows[i].arg); break;
      default: path_remove_extension(p); break;
    }
    EXPECT_STREQ(p.c_str(), rows[i].expected) << "row " << i;
  }
}

TEST(Paths, FileName) {
  EXPECT_STREQ(path_file_name("C:\\x\\relaymx.tbp"), "relaymx.tbp");
  EXPECT_STREQ(path_file_name("plain"), "plain");
  EXPECT_STREQ(path_file_name(nullptr), "");
}
