// Storage of texts: the general heap.
#include <cstdlib>

#include "common/text.h"

void* text_storage_allocate(size_t size) { return std::malloc(size); }
void text_storage_release(void* p, size_t) { std::free(p); }
