// A message's Date header as a UTC time stamp in the host's 16-byte time record layout. Free of
// Win32 so that the parser also builds natively under the sanitizers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The eight 16-bit fields of a Win32 SYSTEMTIME, in its order. Always UTC here.
struct utc_time {
  uint16_t year = 0;
  uint16_t month = 0;        // 1..12
  uint16_t day_of_week = 0;  // 0 = Sunday
  uint16_t day = 0;          // 1..31
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};

// Size of the time record the host hands over for request 100006.
constexpr size_t kTimeRecordSize = 16;

// Writes the record little-endian, field by field: 16 bytes.
void encode_time_record(const utc_time& t, unsigned char out[kTimeRecordSize]);

// Seconds since 1970-01-01 00:00:00 UTC to calendar fields. False when the year falls outside
// 1601..30827, the range a SYSTEMTIME can hold.
bool utc_from_unix(int64_t seconds, utc_time* out);

// Finds the first header called name (case-insensitive) in the header section of a message (up to
// the first empty line, or the whole text when there is none) and returns its unfolded value, cut
// at kMaxHeaderValue bytes. False when there is no such header.
constexpr size_t kMaxHeaderValue = 1024;
bool find_header(const char* message, size_t size, const char* name, std::string* value);

// Parses an RFC 5322 date and the usual sloppy variants (no weekday, 2-digit years, named zones,
// no seconds, AM/PM, trailing comments) into UTC. False when no day, month and year can be found
// or a field is out of range.
bool parse_date(const char* text, size_t size, utc_time* out);

// The Date header of a message as UTC, or false when it is missing or unusable.
bool message_date(const char* message, size_t size, utc_time* out);
