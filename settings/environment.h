// Expansion of %NAME% environment references in paths.
#pragma once
#include "common/text.h"

// Stores the expansion of source in out; a null out does nothing.
void expand_environment(const char* source, text* out);
