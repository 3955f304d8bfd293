#include "tests/rk_gui/rk_gui_fixture.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace rk_gui_test {

HMODULE library() {
  static HMODULE module = LoadLibraryA((testing_support::program_folder() + "rk_gui.dll").c_str());
  return module;
}

std::string resource_bytes(const char* type, int id) {
  HRSRC found = FindResourceA(library(), MAKEINTRESOURCEA(id), type);
  HGLOBAL loaded = found ? LoadResource(library(), found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return std::string(static_cast<const char*>(bytes), SizeofResource(library(), found));
}

dialog_template read_template(int id) {
  dialog_template t;
  std::string bytes = resource_bytes(MAKEINTRESOURCEA(5), id);  // RT_DIALOG
  EXPECT_FALSE(bytes.empty()) << "template " << id << " is missing";
  EXPECT_TRUE(read_dialog_template_ex(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &t))
      << "template " << id << " is not a readable extended template";
  return t;
}

std::vector<uint32_t> help_ids_of(const dialog_template& t) {
  std::vector<uint32_t> ids = {t.help_id};
  for (const dialog_item& item : t.items) ids.push_back(item.help_id);
  return ids;
}

std::string load_string(int id) {
  char buffer[1024];
  int n = LoadStringA(library(), id, buffer, sizeof(buffer));
  return std::string(buffer, n > 0 ? n : 0);
}

}  // namespace rk_gui_test
