// Storage of texts: the module's small-block pool in the Windows build, the general heap natively.
#include <cstdlib>

#include "common/text.h"

#ifdef _WIN32
#include "common/block_pool.h"

void* text_storage_allocate(size_t size) { return pool_allocate(size); }
void text_storage_release(void* p, size_t size) { pool_release(p, size); }
#else
void* text_storage_allocate(size_t size) { return std::malloc(size); }
void text_storage_release(void* p, size_t) { std::free(p); }
#endif
