// What the module tells about itself: the host-facing name, the version resource's name and version,
// and the build banner.
#pragma once
#include "common/text.h"
#include "common/product_keys.h"
#include "common/version.h"

constexpr const char* kPluginName = "Kestrom Corvane Suite Antispam Filter";
constexpr const char* kBuildBanner = RELAYMX_BUILD_BANNER;
constexpr size_t kProductTextSize = 32;

// Name and version from the module's version resource (defaults "Antispam" and "0.8.6").
const char* product_name();
const char* product_version();
// Fills both from the version resource of the module and logs the result.
void read_product_version();
