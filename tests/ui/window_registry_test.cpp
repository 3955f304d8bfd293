// The registry's AVL tree against a reference map: order, balance, count and look-ups after every
// insert and erase of a long random run.
#include "ui/framework/window_registry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

namespace {

using node = handle_tree::node;

// Height of the subtree; checks that keys lie in (low, high), the stored balance matches the heights
// and stays in -1..1.
struct checker {
  std::vector<uint64_t> keys;  // in order
  bool ok = true;
  int height(const node* n, uint64_t low, uint64_t high, bool has_low, bool has_high) {
    if (!n) return 0;
    if ((has_low && n->key <= low) || (has_high && n->key >= high)) ok = false;
    int left = height(n->link[0], low, n->key, has_low, true);
    keys.push_back(n->key);
    int right = height(n->link[1], n->key, high, true, has_high);
    if (right - left != n->balance || n->balance < -1 || n->balance > 1) ok = false;
    return 1 + (left > right ? left : right);
  }
};

void expect_same(const handle_tree& tree, const std::map<uint64_t, void*>& reference, int step) {
  checker check;
  int h = check.height(tree.root(), 0, 0, false, false);
  ASSERT_TRUE(check.ok) << "step " << step << ": order or balance broken";
  ASSERT_EQ(tree.count(), reference.size()) << "step " << step;
  ASSERT_EQ(check.keys.size(), reference.size()) << "step " << step;
  size_t i = 0;
  for (const auto& kv : reference) ASSERT_EQ(check.keys[i++], kv.first) << "step " << step;
  // An AVL tree of n nodes is at most 1.44 log2(n + 2) high.
  double bound = 1.45 * std::log2(static_cast<double>(reference.size()) + 2.0);
  ASSERT_LE(h, bound + 1) << "step " << step;
}

TEST(WindowRegistry, RandomRunMatchesReferenceMap) {
  struct run {
    uint32_t seed;
    uint64_t key_range;  // small ranges give many replaced keys and erases that find something
    int steps;
    int insert_percent;
  } runs[] = {{7, 64, 4000, 55}, {11, 2048, 12000, 60}, {3, UINT64_MAX, 6000, 70}, {5, 16, 2000, 40}};
  for (size_t r = 0; r < sizeof(runs) / sizeof(runs[0]); ++r) {
    SCOPED_TRACE("run " + std::to_string(r));
    std::mt19937_64 rng(runs[r].seed);
    handle_tree tree;
    std::map<uint64_t, void*> reference;
    std::vector<uint64_t> seen;
    for (int step = 0; step < runs[r].steps; ++step) {
      uint64_t key = runs[r].key_range == UINT64_MAX ? rng() : rng() % runs[r].key_range;
      if (runs[r].key_range == UINT64_MAX && !seen.empty() && rng() % 2) key = seen[rng() % seen.size()];
      void* object = reinterpret_cast<void*>(static_cast<uintptr_t>(rng() | 1));
      if (static_cast<int>(rng() % 100) < runs[r].insert_percent) {
        ASSERT_TRUE(tree.insert(key, object));
        reference[key] = object;
        seen.push_back(key);
      } else {
        ASSERT_EQ(tree.erase(key), reference.erase(key) == 1) << "step " << step;
      }
      expect_same(tree, reference, step);
      auto probe = reference.find(key);
      ASSERT_EQ(tree.find(key), probe == reference.end() ? nullptr : probe->second) << "step " << step;
    }
    for (const auto& kv : reference) ASSERT_EQ(tree.find(kv.first), kv.second);
  }
}

TEST(WindowRegistry, AscendingAndDescendingRunsStayBalancedAndEmptyCleanly) {
  // Sorted input is where an unbalanced tree degenerates into a list.
  for (int descending = 0; descending < 2; ++descending) {
    handle_tree tree;
    std::map<uint64_t, void*> reference;
    for (uint64_t i = 1; i <= 1000; ++i) {
      uint64_t key = descending ? 1001 - i : i;
      ASSERT_TRUE(tree.insert(key, &reference));
      reference[key] = &reference;
    }
    expect_same(tree, reference, descending);
    for (uint64_t i = 1; i <= 1000; i += 2) {
      ASSERT_TRUE(tree.erase(i));
      reference.erase(i);
      expect_same(tree, reference, static_cast<int>(i));
    }
    EXPECT_FALSE(tree.erase(1)) << "a key erased before is not found again";
    EXPECT_FALSE(tree.erase(5000));
    for (uint64_t i = 2; i <= 1000; i += 2) ASSERT_TRUE(tree.erase(i));
    EXPECT_EQ(tree.count(), 0u);
    EXPECT_EQ(tree.root(), nullptr);
  }
}

TEST(WindowRegistry, SameHandleTwiceKeepsOneNodeWithTheLatestObject) {
  window_registry registry;
  int first = 0, second = 0;
  const void* window = reinterpret_cast<const void*>(0x10024);
  ASSERT_TRUE(registry.insert(window, reinterpret_cast<window_base*>(&first)));
  ASSERT_TRUE(registry.insert(window, reinterpret_cast<window_base*>(&second)));
  EXPECT_EQ(registry.count(), 1u);
  EXPECT_EQ(registry.find(window), reinterpret_cast<window_base*>(&second));
  // Handles with the top bit set still compare as unsigned numbers.
  const void* high = reinterpret_cast<const void*>(~uintptr_t{0} - 7);
  ASSERT_TRUE(registry.insert(high, reinterpret_cast<window_base*>(&first)));
  EXPECT_EQ(registry.root()->link[1]->key, window_registry::key_of(high));
}

TEST(WindowRegistry, FirstRegistryBecomesCurrentUntilDestroyed) {
  window_registry* before = current_window_registry();
  {
    window_registry a;
    window_registry b;
    window_registry* expected = before ? before : &a;
    EXPECT_EQ(current_window_registry(), expected);
  }
  EXPECT_EQ(current_window_registry(), before);
  window_registry& shared = windows_bound();
  EXPECT_EQ(current_window_registry(), before ? before : &shared);
}

}  // namespace
