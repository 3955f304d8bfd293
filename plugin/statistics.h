// Verdict counters in "antispam_stat.ini" beside the settings, and the HTML report built from them
// together with the counters the engine keeps in the same file.
#pragma once
#include "common/text.h"
#include "common/verdict.h"

// The file the counters go to; set when the engine wrapper binds its settings.
void set_statistics_path(const char* path);
const char* statistics_path();
// Adds delta to the verdict's counter and to "Total"; results below 0 become 0. Counts are gathered in
// memory and added to the file at most once a second (a profile write costs milliseconds), and
// whenever the report is built, the client stops or the module unloads.
void stat_count(int verdict, int delta);
// Adds what was counted since the last flush to the file.
void stat_flush();
// The information report as the host shows it.
text info_report();
