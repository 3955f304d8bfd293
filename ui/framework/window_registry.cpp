#include "ui/framework/window_registry.h"

#include <new>

namespace {
window_registry* g_current_registry = nullptr;

using node = handle_tree::node;

// Single or double rotation at y, whose balance is -2 (heavy on the left, dir 0) or +2 (dir 1).
// Returns the new top of the subtree. Used by insert and erase alike.
node* rotate(node* y, int dir) {
  const int8_t heavy = dir ? 1 : -1;
  node* x = y->link[dir];
  if (x->balance == -heavy) {
    // Double rotation: x's inner child w comes to the top.
    node* w = x->link[!dir];
    x->link[!dir] = w->link[dir];
    w->link[dir] = x;
    y->link[dir] = w->link[!dir];
    w->link[!dir] = y;
    x->balance = w->balance == -heavy ? heavy : 0;
    y->balance = w->balance == heavy ? -heavy : 0;
    w->balance = 0;
    return w;
  }
  // Single rotation: x comes to the top. A balanced x happens only on erase and keeps the height.
  y->link[dir] = x->link[!dir];
  x->link[!dir] = y;
  if (x->balance == 0) {
    x->balance = -heavy;
    y->balance = heavy;
  } else {
    x->balance = y->balance = 0;
  }
  return x;
}
}  // namespace

handle_tree::~handle_tree() {
  // Preorder with an explicit stack: at most one pending sibling per level.
  node* stack[kMaxHeight + 2];
  int top = 0;
  if (root_) stack[top++] = root_;
  while (top > 0) {
    node* n = stack[--top];
    if (n->link[0]) stack[top++] = n->link[0];
    if (n->link[1]) stack[top++] = n->link[1];
    delete n;
  }
}

void* handle_tree::find(uint64_t key) const {
  for (const node* p = root_; p; p = p->link[key > p->key]) {
    if (p->key == key) return p->object;
  }
  return nullptr;
}

bool handle_tree::insert(uint64_t key, void* object) {
  node head{{root_, nullptr}, 0, nullptr, 0};  // stands above the root, so the root has a parent
  node* z = &head;                             // parent of y
  node* y = root_;                             // deepest node on the path with a nonzero balance
  unsigned char dirs[kMaxHeight];
  int k = 0;
  node* q = &head;
  int dir = 0;
  for (node* p = root_; p; q = p, p = p->link[dir]) {
    if (p->key == key) {
      p->object = object;
      return true;
    }
    if (p->balance != 0) {
      z = q;
      y = p;
      k = 0;
    }
    dir = key > p->key;
    dirs[k++] = static_cast<unsigned char>(dir);
  }
  node* n = new (std::nothrow) node{{nullptr, nullptr}, 0, object, key};
  if (!n) return false;
  q->link[dir] = n;
  ++count_;
  if (!y) {
    root_ = n;
    return true;
  }
  k = 0;
  for (node* p = y; p != n; p = p->link[dirs[k++]])
    p->balance = static_cast<int8_t>(p->balance + (dirs[k] ? 1 : -1));
  if (y->balance == -2 || y->balance == 2) z->link[y != z->link[0]] = rotate(y, y->balance > 0);
  root_ = head.link[0];
  return true;
}

bool handle_tree::erase(uint64_t key) {
  node head{{root_, nullptr}, 0, nullptr, 0};
  node* parents[kMaxHeight + 2];
  unsigned char dirs[kMaxHeight + 2];
  int k = 0;
  node* p = &head;
  int dir = 0;
  for (;;) {
    parents[k] = p;
    dirs[k++] = static_cast<unsigned char>(dir);
    p = p->link[dir];
    if (!p) return false;
    if (p->key == key) break;
    dir = key > p->key;
  }
  // dirs[i] is the direction taken from parents[i]; parents[k - 1] is p's parent.
  if (!p->link[1]) {
    parents[k - 1]->link[dirs[k - 1]] = p->link[0];
  } else {
    node* r = p->link[1];
    if (!r->link[0]) {
      r->link[0] = p->link[0];
      r->balance = p->balance;
      parents[k - 1]->link[dirs[k - 1]] = r;
      dirs[k] = 1;
      parents[k++] = r;
    } else {
      // The in-order successor s is the leftmost node of the right subtree; it takes p's place.
      int j = k++;
      node* s;
      for (;;) {
        dirs[k] = 0;
        parents[k++] = r;
        s = r->link[0];
        if (!s->link[0]) break;
        r = s;
      }
      s->link[0] = p->link[0];
      r->link[0] = s->link[1];
      s->link[1] = p->link[1];
      s->balance = p->balance;
      parents[j - 1]->link[dirs[j - 1]] = s;
      dirs[j] = 1;
      parents[j] = s;
    }
  }
  delete p;
  --count_;

  // Walk back up: each subtree on the path lost one level on side dirs[k].
  while (--k > 0) {
    node* y = parents[k];
    const int side = dirs[k];
    y->balance = static_cast<int8_t>(y->balance + (side ? -1 : 1));
    if (y->balance == 1 || y->balance == -1) break;  // height unchanged
    if (y->balance == 0) continue;                   // got shorter, keep going
    node* top = rotate(y, y->balance > 0);
    parents[k - 1]->link[dirs[k - 1]] = top;
    if (top->balance != 0) break;  // a single rotation over a balanced child keeps the height
  }
  root_ = head.link[0];
  return true;
}

window_registry::window_registry() {
  if (!g_current_registry) g_current_registry = this;
}

window_registry::~window_registry() {
  if (g_current_registry == this) g_current_registry = nullptr;
}

window_registry& windows_bound() {
  static window_registry registry;
  return registry;
}

window_registry* current_window_registry() { return g_current_registry; }
