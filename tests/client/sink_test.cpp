// The settings sink is filled by the engine through raw table slots, as a module of another compiler
// would call it: slot 0 the destructor, slot 1 append.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/engine_interface.h"

namespace {
typedef void*(WINAPI* destroy_slot)(void*, unsigned);
typedef void(WINAPI* append_slot)(void*, const void*, uint64_t);
void** table_of(void* object) { return *static_cast<void***>(object); }
}  // namespace

TEST(SettingsSink, RawSlotsAppendAndFree) {
  settings_sink sink;
  void* object = &sink;
  auto append = reinterpret_cast<append_slot>(table_of(object)[1]);
  append(object, "abc", 3);
  append(object, nullptr, 5);  // nothing to copy
  append(object, "defg", 4);
  ASSERT_EQ(sink.size(), 7u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sink.data()), 7), "abcdefg");
  auto destroy = reinterpret_cast<destroy_slot>(table_of(object)[0]);
  EXPECT_EQ(destroy(object, 0), object);  // flag 0: frees the block, keeps the object
  EXPECT_EQ(sink.size(), 0u);
  EXPECT_EQ(sink.data(), nullptr);

  auto* owned = new settings_sink;
  append(owned, "x", 1);
  reinterpret_cast<destroy_slot>(table_of(owned)[0])(owned, 1);  // flag 1: the object goes too
}

TEST(MessagePackage, LayoutIsFixed) {
  EXPECT_EQ(offsetof(message_package, first), 0u);
  EXPECT_EQ(offsetof(message_package, last), 8u);
  EXPECT_EQ(offsetof(message_package, reserved), 16u);
  EXPECT_EQ(offsetof(package_node, part), 0u);
  EXPECT_EQ(offsetof(package_part, type), 0u);
}
