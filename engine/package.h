// Building and freeing message packages.
#pragma once
#include "engine/engine_interface.h"

// Appends a part with a data block of size bytes (zeroed); null when memory runs out.
package_part* package_append(message_package& package, uint32_t type, uint64_t size);
// Frees every node, part and data block and leaves the package empty.
void package_free(message_package& package);
