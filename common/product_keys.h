// Names that the product's modules, its installer and the host program share: registry keys and
// values, and the files the modules keep. Each stands here once.
#pragma once

// Where the product's installer records its folders (machine-wide) and the plug-in its per-user
// settings folder (per user): one key name under both roots.
constexpr char kPathsKey[] = "Software\\Kestrom\\Corvane Suite\\Paths";

// The product's folder below the common application-data folder.
constexpr char kProductFolder[] = "Kestrom\\Corvane Suite";

// Value under kPathsKey, per user: the plug-in's settings folder (environment variables allowed).
constexpr char kUserSettingsValue[] = "aspam settings";

// Values under kPathsKey, machine-wide: the installation folders and the resource library's path.
constexpr char kRootValue[] = "AntispamRoot";
constexpr char kHelpValue[] = "AntispamHelp";
constexpr char kLogValue[] = "AntispamLog";
constexpr char kGuiLibraryName[] = "rk_gui.dll";  // also the value that records its path
constexpr char kEngineLibraryName[] = "sfl_ipc.dll";

// Files of the product data folder (machine-wide) and of the per-user folder.
constexpr char kStatisticsFile[] = "antispam_stat.ini";
constexpr char kWhiteListFile[] = "whitelist.txt";
constexpr char kBlackListFile[] = "blacklist.txt";
constexpr char kPluginSettingsFile[] = "relaymx.dat";
