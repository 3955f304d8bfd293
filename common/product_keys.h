// Where the product's installer records its folders (machine-wide) and the plug-in its per-user
// settings folder (per user): one key name under both roots.
#pragma once

constexpr char kPathsKey[] = "Software\\Kestrom\\Corvane Suite\\Paths";
