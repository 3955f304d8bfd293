// The settings sink is filled by the engine through raw table slots, as a module of another compiler
// would call it: slot 0 the destructor, slot 1 append.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/engine_interface.h"
#include "engine/package.h"

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

// The engine walks a package by byte offsets, as a module of another compiler would: the package's
// first node at 0, a node's part at 0 and next at 8, a part's type at 0, data at 8 and size at 16.
template <typename T>
T field_at(const void* base, size_t offset) {
  T v;
  std::memcpy(&v, static_cast<const uint8_t*>(base) + offset, sizeof v);
  return v;
}

TEST(MessagePackage, PartsAreLinkedInOrderAndReadableByOffsets) {
  message_package package{};
  package_part* time = package_append(package, kPartTime, kTimeStampSize);
  package_part* body = package_append(package, kPartText, 6);
  ASSERT_NE(time, nullptr);
  ASSERT_NE(body, nullptr);
  std::memcpy(body->data, "hello", 6);

  struct expected_part {
    uint32_t type;
    uint64_t size;
  } expected[] = {{kPartTime, kTimeStampSize}, {kPartText, 6}};
  const void* node = field_at<const void*>(&package, 0);
  const void* last = nullptr;
  for (size_t i = 0; i < 2; ++i) {
    ASSERT_NE(node, nullptr) << "part " << i;
    const void* part = field_at<const void*>(node, 0);
    EXPECT_EQ(field_at<uint32_t>(part, 0), expected[i].type) << "part " << i;
    EXPECT_EQ(field_at<uint64_t>(part, 16), expected[i].size) << "part " << i;
    const uint8_t* data = field_at<const uint8_t*>(part, 8);
    ASSERT_NE(data, nullptr) << "part " << i;
    if (i == 0)  // a new part's block is zeroed: a time the host did not fill reads as zero
      for (size_t b = 0; b < kTimeStampSize; ++b) EXPECT_EQ(data[b], 0) << "byte " << b;
    else
      EXPECT_STREQ(reinterpret_cast<const char*>(data), "hello");
    last = node;
    node = field_at<const void*>(node, 8);
  }
  EXPECT_EQ(node, nullptr);  // the list ends after the text
  EXPECT_EQ(field_at<const void*>(&package, 8), last);

  package_free(package);
  EXPECT_EQ(package.first, nullptr);
  EXPECT_EQ(package.last, nullptr);
  package_free(package);  // an empty package frees nothing
}
