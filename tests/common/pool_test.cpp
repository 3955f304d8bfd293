#include "common/block_pool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "common/text.h"

namespace {

std::vector<void*> take(small_object_allocator& pool, size_t count, size_t size) {
  std::vector<void*> blocks;
  for (size_t i = 0; i < count; ++i) {
    void* p = pool.allocate(size);
    EXPECT_NE(p, nullptr) << "block " << i;
    std::memset(p, static_cast<int>(i), size);
    blocks.push_back(p);
  }
  return blocks;
}

void give_back(small_object_allocator& pool, const std::vector<void*>& blocks, size_t size) {
  for (void* p : blocks) pool.release(p, size);
}

TEST(BlockPool, ChunksOpenAndCloseAsBlocksComeAndGo) {
  small_object_allocator pool;
  std::vector<void*> first = take(pool, 81, 50);
  EXPECT_EQ(pool.chunk_count(50), 1u);
  std::vector<void*> second = take(pool, 81, 50);
  EXPECT_EQ(pool.chunk_count(50), 2u);
  // Every block kept its own bytes: no two blocks overlap.
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(static_cast<uint8_t*>(first[i])[49], static_cast<uint8_t>(i)) << "block " << i;
    EXPECT_EQ(static_cast<uint8_t*>(second[i])[49], static_cast<uint8_t>(i)) << "block " << i;
  }
  give_back(pool, second, 50);
  EXPECT_EQ(pool.chunk_count(50), 2u);  // the free chunk is last and stays
  give_back(pool, first, 50);
  EXPECT_EQ(pool.chunk_count(50), 1u);  // two free chunks: the last is torn down
}

TEST(BlockPool, AFreedFrontChunkMovesLastAndServesNext) {
  small_object_allocator pool;
  std::vector<void*> first = take(pool, 81, 50);
  std::vector<void*> second = take(pool, 81, 50);
  give_back(pool, first, 50);
  EXPECT_EQ(pool.chunk_count(50), 2u);
  std::vector<void*> again = take(pool, 81, 50);
  EXPECT_EQ(pool.chunk_count(50), 2u);  // the emptied chunk was reused, none was added
  give_back(pool, again, 50);
  give_back(pool, second, 50);
  EXPECT_EQ(pool.chunk_count(50), 1u);
}

TEST(BlockPool, SizesOutsideThePool) {
  small_object_allocator pool;
  EXPECT_EQ(pool.allocate(0), nullptr);
  void* big = pool.allocate(65);
  ASSERT_NE(big, nullptr);
  std::memset(big, 0xAB, 65);
  EXPECT_EQ(pool.chunk_count(65), 0u);
  pool.release(big, 65);
  pool.release(nullptr, 50);  // nothing to do
  struct row {
    size_t size, blocks;
  } rows[] = {{1, 255}, {16, 255}, {32, 128}, {50, 81}, {64, 64}};
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    std::vector<void*> blocks = take(pool, rows[i].blocks + 1, rows[i].size);
    EXPECT_EQ(pool.chunk_count(rows[i].size), 2u) << "row " << i;
    give_back(pool, blocks, rows[i].size);
    EXPECT_EQ(pool.chunk_count(rows[i].size), 1u) << "row " << i;
  }
}

TEST(BlockPool, TextsTakeTheirStorageFromTheProcessPool) {
  small_object_allocator* pool = current_pool();
  ASSERT_NE(pool, nullptr);
  size_t before = pool->chunk_count(50);
  std::vector<text> texts(200);
  for (text& t : texts) t.assign("short");
  EXPECT_GE(pool->chunk_count(50), before + 2);
}

TEST(BlockPool, ThreadsShareThePool) {
  auto work = [] {
    for (int round = 0; round < 2000; ++round) {
      void* p[8];
      for (int i = 0; i < 8; ++i) {
        p[i] = pool_allocate(50);
        std::memset(p[i], i, 50);
      }
      for (int i = 0; i < 8; ++i) {
        if (static_cast<uint8_t*>(p[i])[49] != i) ADD_FAILURE() << "block overwritten in round " << round;
        pool_release(p[i], 50);
      }
    }
  };
  std::thread a(work), b(work), c(work);
  a.join();
  b.join();
  c.join();
}

}  // namespace
