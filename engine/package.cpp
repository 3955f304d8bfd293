#include "engine/package.h"

#include <cstdlib>
#include <new>

package_part* package_append(message_package& package, uint32_t type, uint64_t size) {
  auto* node = static_cast<package_node*>(std::calloc(1, sizeof(package_node)));
  auto* part = static_cast<package_part*>(std::calloc(1, sizeof(package_part)));
  void* data = std::calloc(1, size ? size : 1);
  if (!node || !part || !data) {
    std::free(node);
    std::free(part);
    std::free(data);
    return nullptr;
  }
  part->type = type;
  part->data = data;
  part->size = size;
  node->part = part;
  if (package.last)
    package.last->next = node;
  else
    package.first = node;
  package.last = node;
  return part;
}

void package_free(message_package& package) {
  package_node* node = package.first;
  while (node) {
    package_node* next = node->next;
    std::free(node->part->data);
    std::free(node->part);
    std::free(node);
    node = next;
  }
  package = message_package{};
}
