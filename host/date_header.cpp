#include "host/date_header.h"

#include <cstring>

namespace {

// Longer Date values are junk; the parser looks at no more than this.
constexpr size_t kMaxDateText = 1024;
// A number with more digits than this is junk, and cannot overflow an int.
constexpr size_t kMaxNumberDigits = 9;
constexpr int64_t kSecondsPerDay = 86400;

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_nocase(const char* a, size_t n, const char* b) {
  if (std::strlen(b) != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (lower(a[i]) != b[i]) return false;
  return true;
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civil_from_days(int64_t z, int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<int64_t>(yoe) + era * 400 + (*m <= 2);
}

unsigned days_in_month(int64_t y, unsigned m) {
  static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// Index 0..6 (Sunday first) or 0..11 when the first three letters name a weekday or a month.
int name_index(const char* s, size_t n, const char* const* names, int count) {
  if (n < 3 || n > 9) return -1;
  for (int i = 0; i < count; ++i)
    if (lower(s[0]) == names[i][0] && lower(s[1]) == names[i][1] && lower(s[2]) == names[i][2]) return i;
  return -1;
}

const char* const kWeekdays[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                               "jul", "aug", "sep", "oct", "nov", "dec"};

struct named_zone {
  const char* name;
  int minutes;
};
const named_zone kZones[] = {{"ut", 0},        {"utc", 0},       {"gmt", 0},       {"z", 0},
                             {"est", -5 * 60}, {"edt", -4 * 60}, {"cst", -6 * 60}, {"cdt", -5 * 60},
                             {"mst", -7 * 60}, {"mdt", -6 * 60}, {"pst", -8 * 60}, {"pdt", -7 * 60},
                             {"bst", 60},      {"cet", 60},      {"cest", 2 * 60}, {"met", 60},
                             {"mest", 2 * 60}, {"eet", 2 * 60},  {"eest", 3 * 60}, {"jst", 9 * 60}};

struct date_fields {
  int day = -1, month = -1, year = -1, year_digits = 0;
  int hour = -1, minute = 0, second = 0;
  int zone_minutes = 0;
  bool zone_set = false;
  int am_pm = 0;  // 0 none, 1 am, 2 pm
  bool bad_clock = false;
};

bool parse_number(const char* s, size_t n, int* value) {
  if (n == 0 || n > kMaxNumberDigits) return false;
  int v = 0;
  for (size_t i = 0; i < n; ++i) {
    if (!is_digit(s[i])) return false;
    v = v * 10 + (s[i] - '0');
  }
  *value = v;
  return true;
}

// h:mm or h:mm:ss, one or two digits each.
bool parse_clock(const char* s, size_t n, date_fields* f) {
  int parts[3] = {0, 0, 0};
  int count = 0;
  size_t start = 0;
  for (size_t i = 0; i <= n; ++i) {
    if (i < n && s[i] != ':') continue;
    if (count == 3 || i - start == 0 || i - start > 2 || !parse_number(s + start, i - start, &parts[count]))
      return false;
    ++count;
    start = i + 1;
  }
  if (count < 2) return false;
  f->hour = parts[0];
  f->minute = parts[1];
  f->second = parts[2];
  return true;
}

// +hhmm or -hhmm. Anything else after a sign is an unknown zone, which RFC 5322 reads as UTC.
void parse_numeric_zone(const char* s, size_t n, date_fields* f) {
  int v = 0;
  f->zone_set = true;
  if (n != 5 || !parse_number(s + 1, 4, &v) || v / 100 > 24 || v % 100 > 59) return;
  int minutes = (v / 100) * 60 + v % 100;
  f->zone_minutes = s[0] == '-' ? -minutes : minutes;
}

void take_word(const char* s, size_t n, date_fields* f) {
  if (name_index(s, n, kWeekdays, 7) >= 0) return;
  int month = name_index(s, n, kMonths, 12);
  if (month >= 0 && f->month < 0) {
    f->month = month + 1;
    return;
  }
  if (equal_nocase(s, n, "am")) f->am_pm = 1;
  if (equal_nocase(s, n, "pm")) f->am_pm = 2;
  if (f->zone_set || f->hour < 0) return;
  for (const named_zone& z : kZones) {
    if (equal_nocase(s, n, z.name)) {
      f->zone_minutes = z.minutes;
      f->zone_set = true;
      return;
    }
  }
}

void take_number(const char* s, size_t n, date_fields* f) {
  int v = 0;
  if (!parse_number(s, n, &v)) return;
  if (n >= 3 && f->year < 0) {
    f->year = v;
    f->year_digits = static_cast<int>(n);
  } else if (n <= 2 && f->day < 0) {
    f->day = v;
  } else if (n <= 2 && f->year < 0) {
    f->year = v;
    f->year_digits = static_cast<int>(n);
  }
  // Further numbers are junk some mailers append; they do not make the date unusable.
}

// 2002/09/14: year first, the one numeric order that is not ambiguous.
void take_numeric_date(const char* s, size_t n, date_fields* f) {
  int parts[3];
  size_t lengths[3];
  int count = 0;
  size_t start = 0;
  for (size_t i = 0; i <= n; ++i) {
    if (i < n && s[i] != '/') continue;
    if (count == 3 || !parse_number(s + start, i - start, &parts[count])) return;
    lengths[count++] = i - start;
    start = i + 1;
  }
  if (count != 3 || lengths[0] != 4 || f->year >= 0 || f->day >= 0 || f->month >= 0) return;
  if (parts[1] < 1 || parts[1] > 12) return;
  f->year = parts[0];
  f->year_digits = 4;
  f->month = parts[1];
  f->day = parts[2];
}

void take_token(const char* s, size_t n, date_fields* f) {
  if (std::memchr(s, '/', n)) {
    take_numeric_date(s, n, f);
    return;
  }
  if (std::memchr(s, ':', n)) {
    // A clock that cannot be read makes the whole date doubtful.
    if (f->hour < 0 && !parse_clock(s, n, f)) f->bad_clock = true;
    return;
  }
  if (s[0] == '+' || s[0] == '-') {
    if (!f->zone_set) parse_numeric_zone(s, n, f);
    return;
  }
  if (is_digit(s[0]))
    take_number(s, n, f);
  else if (is_alpha(s[0]))
    take_word(s, n, f);
}

// Splits at spaces, commas and dashes inside a token ("14-Jan-2002"), and skips (comments).
void scan_tokens(const char* text, size_t size, date_fields* f) {
  size_t i = 0;
  while (i < size) {
    char c = text[i];
    if (is_space(c) || c == ',') {
      ++i;
    } else if (c == '(') {
      int depth = 0;
      for (; i < size; ++i) {
        if (text[i] == '(') ++depth;
        if (text[i] == ')' && --depth == 0) break;
      }
      ++i;
    } else {
      size_t start = i++;
      while (i < size && !is_space(text[i]) && text[i] != ',' && text[i] != '(' && text[i] != '-') ++i;
      take_token(text + start, i - start, f);
      if (i < size && text[i] == '-') ++i;  // a dash right after a token separates, one before a digit signs
    }
  }
}

int full_year(const date_fields& f) {
  if (f.year_digits <= 2) return f.year < 50 ? 2000 + f.year : 1900 + f.year;  // RFC 5322 obs-year
  // "102" or "0102": years since 1900, printed by mailers with the old struct tm bug.
  if (f.year < 1000) return 1900 + f.year;
  return f.year;
}

// Rejects what no clock shows; the one leap second becomes :59 because the record cannot hold :60.
bool settle_clock(date_fields* f) {
  if (f->hour < 0) f->hour = 0;  // a date without a time means midnight
  if (f->am_pm == 2 && f->hour < 12) f->hour += 12;
  if (f->am_pm == 1 && f->hour == 12) f->hour = 0;
  if (f->second == 60) f->second = 59;
  return f->hour <= 23 && f->minute <= 59 && f->second <= 59;
}

}  // namespace

void encode_time_record(const utc_time& t, unsigned char out[kTimeRecordSize]) {
  const uint16_t fields[8] = {t.year, t.month,  t.day_of_week, t.day,
                              t.hour, t.minute, t.second,      t.milliseconds};
  for (int i = 0; i < 8; ++i) {
    out[2 * i] = static_cast<unsigned char>(fields[i] & 0xFF);
    out[2 * i + 1] = static_cast<unsigned char>(fields[i] >> 8);
  }
}

bool utc_from_unix(int64_t seconds, utc_time* out) {
  // Outside this range the day arithmetic below could overflow; it is far outside 1601..30827 too.
  if (seconds < -20000000000000LL || seconds > 20000000000000LL) return false;
  int64_t days = seconds / kSecondsPerDay;
  int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  int64_t y;
  unsigned m, d;
  civil_from_days(days, &y, &m, &d);
  if (y < 1601 || y > 30827) return false;
  out->year = static_cast<uint16_t>(y);
  out->month = static_cast<uint16_t>(m);
  out->day = static_cast<uint16_t>(d);
  out->day_of_week = static_cast<uint16_t>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  out->hour = static_cast<uint16_t>(rest / 3600);
  out->minute = static_cast<uint16_t>(rest / 60 % 60);
  out->second = static_cast<uint16_t>(rest % 60);
  out->milliseconds = 0;
  return true;
}

bool parse_date(const char* text, size_t size, utc_time* out) {
  date_fields f;
  scan_tokens(text, size < kMaxDateText ? size : kMaxDateText, &f);
  if (f.day < 1 || f.month < 1 || f.year < 0 || f.bad_clock) return false;
  int64_t year = full_year(f);
  if (year < 1601 || year > 30827 || f.day > static_cast<int>(days_in_month(year, f.month))) return false;
  if (!settle_clock(&f)) return false;
  int64_t local =
      days_from_civil(year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day)) * kSecondsPerDay +
      f.hour * 3600 + f.minute * 60 + f.second;
  return utc_from_unix(local - static_cast<int64_t>(f.zone_minutes) * 60, out);
}

namespace {

// Length of the line starting at i without its line end, and where the next line starts.
size_t line_at(const char* s, size_t size, size_t i, size_t* next) {
  const void* nl = std::memchr(s + i, '\n', size - i);
  size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - s) : size;
  *next = nl ? end + 1 : size;
  if (end > i && s[end - 1] == '\r') --end;
  return end - i;
}

void append_capped(std::string* value, const char* s, size_t n) {
  size_t room = kMaxHeaderValue - value->size();
  value->append(s, n < room ? n : room);
}

}  // namespace

bool find_header(const char* message, size_t size, const char* name, std::string* value) {
  const size_t name_len = std::strlen(name);
  size_t i = 0;
  while (i < size) {
    size_t next;
    size_t len = line_at(message, size, i, &next);
    if (len == 0) return false;  // end of the header section
    const char* line = message + i;
    bool match = len > name_len && line[name_len] == ':';
    for (size_t k = 0; match && k < name_len; ++k) match = lower(line[k]) == lower(name[k]);
    i = next;
    if (!match) continue;
    value->clear();
    append_capped(value, line + name_len + 1, len - name_len - 1);
    // Folded continuation lines begin with white space.
    while (i < size && (message[i] == ' ' || message[i] == '\t')) {
      len = line_at(message, size, i, &next);
      append_capped(value, " ", 1);
      append_capped(value, message + i, len);
      i = next;
    }
    return true;
  }
  return false;
}

bool message_date(const char* message, size_t size, utc_time* out) {
  std::string value;
  return find_header(message, size, "Date", &value) && parse_date(value.data(), value.size(), out);
}
