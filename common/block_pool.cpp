// The small-object pool (see block_pool.h). A chunk's free blocks form a list threaded through their
// own first byte, which holds the index of the next free block.
#include "common/block_pool.h"

#include <windows.h>

#include <cstdlib>
#include <utility>

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

bool chunk_setup(pool_chunk* c, size_t block_size, uint8_t blocks) {
  void* mem = VirtualAlloc(nullptr, block_size * blocks, MEM_COMMIT, PAGE_READWRITE);
  if (!mem) return false;
  c->data = static_cast<uint8_t*>(mem);
  c->first_free = 0;
  c->free_count = blocks;
  for (size_t i = 0; i < blocks; ++i) c->data[i * block_size] = static_cast<uint8_t>(i + 1);
  return true;
}

void* chunk_allocate(pool_chunk* c, size_t block_size) {
  if (c->free_count == 0) return nullptr;
  uint8_t* p = c->data + c->first_free * block_size;
  c->first_free = *p;
  --c->free_count;
  return p;
}

void chunk_release(pool_chunk* c, size_t block_size, uint8_t* p) {
  *p = c->first_free;
  c->first_free = static_cast<uint8_t>((p - c->data) / block_size);
  ++c->free_count;
}

void chunk_teardown(pool_chunk* c) {
  if (c->data) VirtualFree(c->data, 0, MEM_RELEASE);
  c->data = nullptr;
}

// One lock for the whole process, alive before and after the pool it guards.
struct pool_lock {
  CRITICAL_SECTION cs;
  bool alive = false;
  pool_lock() {
    InitializeCriticalSection(&cs);
    alive = true;
  }
  ~pool_lock() {
    alive = false;
    DeleteCriticalSection(&cs);
  }
};

class pool_guard {
 public:
  explicit pool_guard(pool_lock& lock) : lock_(lock.alive ? &lock : nullptr) {
    if (lock_) EnterCriticalSection(&lock_->cs);
  }
  ~pool_guard() {
    if (lock_) LeaveCriticalSection(&lock_->cs);
  }
  pool_guard(const pool_guard&) = delete;
  pool_guard& operator=(const pool_guard&) = delete;

 private:
  pool_lock* lock_;
};

small_object_allocator* g_current_pool = nullptr;

// Texts live in static objects of every part of the module, so the pool must be built before them
// and destroyed after them: the earliest priority a program may use.
pool_lock g_pool_lock __attribute__((init_priority(101)));
small_object_allocator g_pool __attribute__((init_priority(101)));

}  // namespace

fixed_allocator::fixed_allocator(size_t block_size)
    : block_size_(block_size ? block_size : 1),
      blocks_(static_cast<uint8_t>(
          kPoolChunkSize / block_size_ > kPoolMaxBlocks ? kPoolMaxBlocks : kPoolChunkSize / block_size_)),
      alloc_chunk_(kNone),
      dealloc_chunk_(kNone) {}

fixed_allocator::~fixed_allocator() {
  for (pool_chunk& c : chunks_) chunk_teardown(&c);
}

fixed_allocator::fixed_allocator(fixed_allocator&& other) noexcept
    : block_size_(other.block_size_),
      blocks_(other.blocks_),
      chunks_(std::move(other.chunks_)),
      alloc_chunk_(std::exchange(other.alloc_chunk_, kNone)),
      dealloc_chunk_(std::exchange(other.dealloc_chunk_, kNone)) {
  other.chunks_.clear();
}

fixed_allocator& fixed_allocator::operator=(fixed_allocator&& other) noexcept {
  if (this != &other) {
    for (pool_chunk& c : chunks_) chunk_teardown(&c);
    block_size_ = other.block_size_;
    blocks_ = other.blocks_;
    chunks_ = std::move(other.chunks_);
    other.chunks_.clear();
    alloc_chunk_ = std::exchange(other.alloc_chunk_, kNone);
    dealloc_chunk_ = std::exchange(other.dealloc_chunk_, kNone);
  }
  return *this;
}

void* fixed_allocator::allocate() {
  if (alloc_chunk_ == kNone || chunks_[alloc_chunk_].free_count == 0) {
    alloc_chunk_ = kNone;
    for (size_t i = 0; i < chunks_.size(); ++i)
      if (chunks_[i].free_count) {
        alloc_chunk_ = i;
        break;
      }
    if (alloc_chunk_ == kNone) {
      pool_chunk c;
      if (!chunk_setup(&c, block_size_, blocks_)) return nullptr;
      chunks_.push_back(c);
      alloc_chunk_ = chunks_.size() - 1;
      dealloc_chunk_ = 0;
    }
  }
  return chunk_allocate(&chunks_[alloc_chunk_], block_size_);
}

bool fixed_allocator::holds(const pool_chunk& c, const uint8_t* p) const {
  return c.data && p >= c.data && p < c.data + blocks_ * block_size_;
}

// Searches outward from the chunk of the last release, front cursor first.
size_t fixed_allocator::find_chunk(const uint8_t* p) const {
  if (chunks_.empty()) return kNone;
  size_t start = dealloc_chunk_ < chunks_.size() ? dealloc_chunk_ : 0;
  size_t lo = start, hi = start + 1;
  bool lo_open = true;
  while (lo_open || hi < chunks_.size()) {
    if (lo_open) {
      if (holds(chunks_[lo], p)) return lo;
      if (lo == 0)
        lo_open = false;
      else
        --lo;
    }
    if (hi < chunks_.size()) {
      if (holds(chunks_[hi], p)) return hi;
      ++hi;
    }
  }
  return kNone;
}

void fixed_allocator::teardown_last() {
  chunk_teardown(&chunks_.back());
  chunks_.pop_back();
}

// At most one entirely free chunk stays, and it is the last one.
void fixed_allocator::trim_after_release(size_t index) {
  if (chunks_[index].free_count != blocks_) return;
  const size_t last = chunks_.size() - 1;
  if (index == last) {
    if (chunks_.size() >= 2 && chunks_[last - 1].free_count == blocks_) {
      teardown_last();
      dealloc_chunk_ = alloc_chunk_ = 0;
    }
  } else if (chunks_[last].free_count == blocks_) {
    teardown_last();
    alloc_chunk_ = dealloc_chunk_;
  } else {
    std::swap(chunks_[index], chunks_[last]);
    alloc_chunk_ = last;
  }
}

bool fixed_allocator::release(void* p) {
  size_t index = find_chunk(static_cast<uint8_t*>(p));
  // A pointer of no chunk here is a caller's error; writing into it would corrupt foreign memory.
  if (index == kNone) return false;
  dealloc_chunk_ = index;
  chunk_release(&chunks_[index], block_size_, static_cast<uint8_t*>(p));
  trim_after_release(index);
  return true;
}

small_object_allocator::small_object_allocator() : last_alloc_(kNone), last_dealloc_(kNone) {
  if (!g_current_pool) g_current_pool = this;
}

small_object_allocator::~small_object_allocator() {
  if (g_current_pool == this) g_current_pool = nullptr;
}

size_t small_object_allocator::lower_bound(size_t size) const {
  size_t lo = 0, hi = allocators_.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (allocators_[mid].block_size() < size)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

void* small_object_allocator::allocate(size_t size) {
  if (size == 0) return nullptr;
  pool_guard guard(g_pool_lock);
  if (size > largest_object_) return std::malloc(size);
  if (last_alloc_ != kNone && allocators_[last_alloc_].block_size() == size)
    return allocators_[last_alloc_].allocate();
  size_t at = lower_bound(size);
  if (at == allocators_.size() || allocators_[at].block_size() != size) {
    allocators_.insert(allocators_.begin() + static_cast<std::ptrdiff_t>(at), fixed_allocator(size));
    last_dealloc_ = 0;
  }
  last_alloc_ = at;
  return allocators_[at].allocate();
}

void small_object_allocator::release(void* p, size_t size) {
  if (!p || size == 0) return;
  pool_guard guard(g_pool_lock);
  if (size > largest_object_) {
    std::free(p);
    return;
  }
  if (last_dealloc_ == kNone || allocators_[last_dealloc_].block_size() != size) {
    size_t at = lower_bound(size);
    if (at == allocators_.size() || allocators_[at].block_size() != size) return;  // never allocated here
    last_dealloc_ = at;
  }
  allocators_[last_dealloc_].release(p);
}

size_t small_object_allocator::chunk_count(size_t block_size) {
  pool_guard guard(g_pool_lock);
  size_t at = lower_bound(block_size);
  return at < allocators_.size() && allocators_[at].block_size() == block_size ? allocators_[at].chunk_count()
                                                                               : 0;
}

small_object_allocator* current_pool() { return g_current_pool; }

void* pool_allocate(size_t size) {
  if (small_object_allocator* pool = g_current_pool) return pool->allocate(size);
  return size ? std::malloc(size) : nullptr;  // before the pool or after it: the heap
}

void pool_release(void* p, size_t size) {
  if (small_object_allocator* pool = g_current_pool) return pool->release(p, size);
  // After the pool is gone its chunks went with it; only heap blocks are left to free.
  if (p && size > kPoolLargestObject) std::free(p);
}
