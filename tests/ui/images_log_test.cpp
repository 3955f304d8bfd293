// A damaged image is logged and refused. A program of its own: the log reads its switches when it is
// first used.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "log/log.h"
#include "tests/support/test_support.h"
#include "ui/framework/images.h"

using testing_support::read_file;
using testing_support::scoped_reg_value;

namespace {

size_t count_of(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(ImageGuard, DamagedMagicIsLoggedAndRefused) {
  const DWORD to_file = kLogToFile, level = 1;
  scoped_reg_value flags(HKEY_LOCAL_MACHINE, "Software", "EnableZOLTLog", &to_file);
  scoped_reg_value lvl(HKEY_LOCAL_MACHINE, "Software", "ZOLTLogLevel", &level);
  testing_support::scratch_folder dir;
  ASSERT_TRUE(log_enabled(1)) << "the log was built before this test";
  log_set_folder(dir.path().c_str());
  const std::string log_file = log_channel_path(nullptr).c_str();

  xpimage image(8, 8, 1, 1);
  ASSERT_GE(image.append_frame(), 0);
  char line[80];
  unsigned address = static_cast<unsigned>(reinterpret_cast<uintptr_t>(&image));
  std::snprintf(line, sizeof(line), "[!] xpimage: corrupted memory at %08X {%08X}\r\n", address, address);
  HDC screen = GetDC(nullptr);
  uint8_t bits[64] = {};
  struct row {
    const char* what;
    std::function<bool()> refused;
  } rows[] = {
      {"add_icon_frame", [&] { return add_icon_frame(&image, bits, sizeof(bits)) == -1; }},
      {"add_hicon_frame", [&] { return add_hicon_frame(&image, LoadIconA(nullptr, IDI_APPLICATION)) == -1; }},
      {"load_group_icon", [&] { return load_group_icon(&image, nullptr, 1) == -1; }},
      {"draw_frame",
       [&] {
         return !draw_frame(&image, screen, {0, 0, 8, 8}, 0, 0);
       }},
      // These two go on after logging: reserve still grows, is_empty still answers.
      {"reserve", [&] { return image.reserve(5) && image.capacity == 5; }},
      {"is_empty", [&] { return !image.is_empty(); }},
      // A damaged image's buffer is not freed.
      {"clear", [&] { return image.clear(), image.pixels != nullptr && image.frame_count == 1; }},
  };
  image.magic = 0x01080208;
  for (size_t r = 0; r < sizeof(rows) / sizeof(rows[0]); ++r) {
    EXPECT_TRUE(rows[r].refused()) << "row " << r << ": " << rows[r].what;
    EXPECT_EQ(count_of(read_file(log_file), line), r + 1) << "row " << r << ": " << rows[r].what;
  }
  image.magic = xpimage_magic;
  EXPECT_EQ(image.frame_count, 1u);
  EXPECT_NE(image.frame(0), nullptr);
  ReleaseDC(nullptr, screen);
}
