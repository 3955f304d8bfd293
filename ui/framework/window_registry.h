// The process-wide map from window handle to the object bound to it: an AVL tree keyed on the handle's
// value as an unsigned 64-bit number. The tree owns its nodes, never the objects. Free of <windows.h>
// (a handle converts to const void*), so it also builds natively for the sanitizers.
#pragma once
#include <cstddef>
#include <cstdint>

class window_base;

// The tree itself. Insert and erase walk down once, record the path and rebalance along it; no
// recursion anywhere, so depth is bounded by the path arrays.
class handle_tree {
 public:
  struct node {
    node* link[2];   // left (smaller keys), right
    int8_t balance;  // height(right) - height(left): -1, 0 or +1 at rest
    void* object;
    uint64_t key;
  };
  // An AVL tree of 2^64 nodes is less than 1.45 * 64 high.
  static constexpr int kMaxHeight = 96;

  handle_tree() = default;
  virtual ~handle_tree();
  handle_tree(const handle_tree&) = delete;
  handle_tree& operator=(const handle_tree&) = delete;

  // Links a new node, or replaces the object of the node with this key. False only when out of memory.
  bool insert(uint64_t key, void* object);
  // Removes the key's node; false when there was none.
  bool erase(uint64_t key);
  // The key's object, or null.
  void* find(uint64_t key) const;
  size_t count() const { return count_; }
  const node* root() const { return root_; }

 private:
  node* root_ = nullptr;
  size_t count_ = 0;
};

class window_registry : public handle_tree {
 public:
  window_registry();
  ~window_registry() override;

  bool insert(const void* window, window_base* object) { return handle_tree::insert(key_of(window), object); }
  bool erase(const void* window) { return handle_tree::erase(key_of(window)); }
  window_base* find(const void* window) const {
    return static_cast<window_base*>(handle_tree::find(key_of(window)));
  }

  static uint64_t key_of(const void* window) { return reinterpret_cast<uintptr_t>(window); }
};

// The process-wide registry, built on first use and destroyed at module exit.
window_registry& windows_bound();
// The registry that recorded itself first (null before the first use and after its destruction).
window_registry* current_window_registry();
