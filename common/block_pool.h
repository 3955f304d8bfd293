// Process-wide small-object pool behind the module's texts: requests of at most 64 bytes are served
// from fixed-size blocks carved out of 4 KB chunks, one allocator per block size; larger requests go
// to the general heap. One process-wide critical section guards every operation.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kPoolChunkSize = 4096;
constexpr size_t kPoolLargestObject = 64;
constexpr size_t kPoolMaxBlocks = 255;  // block indices live in one byte

struct pool_chunk {
  uint8_t* data = nullptr;
  uint8_t first_free = 0;
  uint8_t free_count = 0;
};

class fixed_allocator {
 public:
  explicit fixed_allocator(size_t block_size);
  ~fixed_allocator();
  fixed_allocator(const fixed_allocator&) = delete;
  fixed_allocator& operator=(const fixed_allocator&) = delete;
  // A move hands the chunks over; the source keeps none.
  fixed_allocator(fixed_allocator&& other) noexcept;
  fixed_allocator& operator=(fixed_allocator&& other) noexcept;

  void* allocate();
  // False when p lies in none of the chunks (released with the wrong size).
  bool release(void* p);
  size_t block_size() const { return block_size_; }
  size_t blocks_per_chunk() const { return blocks_; }
  size_t chunk_count() const { return chunks_.size(); }

 private:
  bool holds(const pool_chunk& c, const uint8_t* p) const;
  size_t find_chunk(const uint8_t* p) const;
  void trim_after_release(size_t index);
  void teardown_last();

  size_t block_size_;
  uint8_t blocks_;
  std::vector<pool_chunk> chunks_;
  size_t alloc_chunk_;    // index where the last allocation was served, or none
  size_t dealloc_chunk_;  // index where the last release was served, or none
};

class small_object_allocator {
 public:
  small_object_allocator();
  virtual ~small_object_allocator();
  small_object_allocator(const small_object_allocator&) = delete;
  small_object_allocator& operator=(const small_object_allocator&) = delete;

  void* allocate(size_t size);
  void release(void* p, size_t size);
  // Chunks held for one block size (0 when there is no allocator of that size).
  size_t chunk_count(size_t block_size);

 private:
  size_t lower_bound(size_t size) const;

  std::vector<fixed_allocator> allocators_;  // ascending by block size, one per size
  size_t last_alloc_;
  size_t last_dealloc_;
  size_t chunk_size_ = kPoolChunkSize;
  size_t largest_object_ = kPoolLargestObject;
};

// The process's pool: built before every other static object of the module and gone after them.
small_object_allocator* current_pool();
void* pool_allocate(size_t size);
void pool_release(void* p, size_t size);
