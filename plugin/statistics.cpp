#include "plugin/statistics.h"

#include <windows.h>

#include "plugin/product.h"
#include "settings/folders.h"
#include "ui/framework/gui_module.h"
#include "ui/framework/resource_ids.h"

namespace {

constexpr const char* kStatus = "Status";
constexpr const char* kVerdictKeys[] = {"spam", "ProbableSpam", "GoodMessages"};
constexpr size_t kReportStringSize = 65535;

int read_counter(const char* file, const char* section, const char* key) {
  return static_cast<int>(GetPrivateProfileIntA(section, key, 0, file));
}

void write_counter(const char* file, const char* key, int value) {
  text number;
  number.format("%d", value);
  WritePrivateProfileStringA(kStatus, key, number.c_str(), file);
}

text report_string(unsigned id) {
  text s;
  HINSTANCE instance = resource_instance();
  char* buf = s.buffer(kReportStringSize);
  int n = instance ? LoadStringA(instance, id, buf, static_cast<int>(kReportStringSize)) : 0;
  s.set_length(n > 0 ? static_cast<size_t>(n) : 0);
  return s;
}

constexpr const char* kDetails =
    "<br><br><hr>%s %s<br>The text below exists ONLY in private (i.e. not public) build<br><br><h3>Hits:</h3>"
    "<ul><li>Mark as Spam hits: %d</li><li>Mark as Not spam hits: %d</li></ul><hr><h3>Status of base</h3>"
    "<ul><li>No spam messages in the base: %d</li><li>No spam words in the base: %d</li>"
    "<li>Spam messages in the base: %d</li><li>Spam words in the base: %d</li></ul><hr>"
    "<h3>Spam detection status</h3><ul><li>Good messages detected: %d</li><li>Spam messages detected: %d</li>"
    "<li>Probable spam messages detected: %d</li><hr><li>Total messages detected: %d</li></ul>";

// Counts not yet in the file. Its own lock: the report flushes without the instance's lock.
struct pending_counts {
  pending_counts() { InitializeCriticalSection(&lock); }
  ~pending_counts() {
    flush();
    DeleteCriticalSection(&lock);
  }
  void flush();

  CRITICAL_SECTION lock;
  // The path lives in this object, so that the last flush at unload still has it.
  text path;
  int verdicts[3] = {0, 0, 0};
  int total = 0;
  DWORD last_flush = GetTickCount();
};

constexpr DWORD kFlushIntervalMs = 1000;

pending_counts& pending() {
  static pending_counts counts;
  return counts;
}

int clamp_sum(int stored, int delta) {
  long long sum = static_cast<long long>(stored) + delta;
  return sum < 0 ? 0 : sum > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(sum);
}

// Read, add, write: the verdicts' keys first, then "Total", each result at least 0.
void pending_counts::flush() {
  EnterCriticalSection(&lock);
  const char* file = path.c_str();
  // The data folder is the installer's, but a first count must not be lost when it is missing.
  if (*file && total != 0 && ensure_parent_folder(file)) {
    for (int v = kVerdictSpam; v <= kVerdictGood; ++v)
      if (verdicts[v] != 0)
        write_counter(file, kVerdictKeys[v],
                      clamp_sum(read_counter(file, kStatus, kVerdictKeys[v]), verdicts[v]));
    write_counter(file, "Total", clamp_sum(read_counter(file, kStatus, "Total"), total));
  }
  verdicts[0] = verdicts[1] = verdicts[2] = total = 0;
  last_flush = GetTickCount();
  LeaveCriticalSection(&lock);
}

}  // namespace

void set_statistics_path(const char* path) {
  pending_counts& p = pending();
  p.flush();  // what was counted belongs to the old file
  EnterCriticalSection(&p.lock);
  p.path.assign(path);
  LeaveCriticalSection(&p.lock);
}

const char* statistics_path() { return pending().path.c_str(); }

void stat_count(int verdict, int delta) {
  if (delta == 0 || verdict < kVerdictSpam || verdict > kVerdictGood) return;
  pending_counts& p = pending();
  EnterCriticalSection(&p.lock);
  p.verdicts[verdict] += delta;
  p.total += delta;
  bool due = GetTickCount() - p.last_flush >= kFlushIntervalMs;
  LeaveCriticalSection(&p.lock);
  if (due) p.flush();
}

void stat_flush() { pending().flush(); }

text info_report() {
  stat_flush();
  text file;
  statistics_file_path(&file);
  const char* f = file.c_str();
  text details;
  details.format(kDetails, product_name(), product_version(), read_counter(f, "Hits", "MarkAsSpamHits"),
                 read_counter(f, "Hits", "MarkAsNotSpamHits"), read_counter(f, "DbStatus", "NonSpamLetters"),
                 read_counter(f, "DbStatus", "NonSpamWords"), read_counter(f, "DbStatus", "SpamLetters"),
                 read_counter(f, "DbStatus", "SpamWords"), read_counter(f, kStatus, "GoodMessages"),
                 read_counter(f, kStatus, "spam"), read_counter(f, kStatus, "ProbableSpam"),
                 read_counter(f, kStatus, "Total"));
  text report;
  report.format("<html>%s<br><br>%s<br><br>%s<br><br>%s%s</html>", report_string(IDS_INFO_TITLE).c_str(),
                report_string(IDS_INFO_SUMMARY).c_str(), report_string(IDS_INFO_LISTS).c_str(),
                report_string(IDS_INFO_TRAINING).c_str(), details.c_str());
  return report;
}
