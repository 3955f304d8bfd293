// The Date header: finding it, parsing its many forms into UTC, and surviving anything else.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/date_header.h"

namespace {

std::string fields(const utc_time& t) {
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%04u-%02u-%02u %02u:%02u:%02u.%03u dow %u", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.milliseconds, t.day_of_week);
  return buf;
}

bool parse(const std::string& s, utc_time* t) { return parse_date(s.data(), s.size(), t); }

// Every field within the range a SYSTEMTIME allows, and the weekday consistent with the date.
void expect_sane(const utc_time& t, const std::string& where) {
  EXPECT_TRUE(t.year >= 1601 && t.year <= 30827) << where;
  EXPECT_TRUE(t.month >= 1 && t.month <= 12) << where;
  EXPECT_TRUE(t.day >= 1 && t.day <= 31) << where;
  EXPECT_TRUE(t.hour <= 23 && t.minute <= 59 && t.second <= 59 && t.milliseconds == 0) << where;
  EXPECT_LE(t.day_of_week, 6) << where;
}

}  // namespace

TEST(DateParse, FormsGiveUtcFields) {
  struct row {
    const char* text;
    const char* utc;
  } rows[] = {
      {"Thu, 22 Aug 2002 13:17:22 +0100", "2002-08-22 12:17:22.000 dow 4"},
      {"22 Aug 2002 13:17:22 -0700 (PDT)", "2002-08-22 20:17:22.000 dow 4"},
      {"Wed,31 Jul 2002 23:30:00 -0500", "2002-08-01 04:30:00.000 dow 4"},
      {"Tue, 1 Jan 02 00:10 GMT", "2002-01-01 00:10:00.000 dow 2"},
      {"1 Jan 99 12:00:00 EST", "1999-01-01 17:00:00.000 dow 5"},
      {"Fri, 02 Aug 2002 01:02 PDT", "2002-08-02 08:02:00.000 dow 5"},
      {"2 Aug 2002 01:02:03 EDT", "2002-08-02 05:02:03.000 dow 5"},
      {"2 Aug 2002 01:02:03 CST", "2002-08-02 07:02:03.000 dow 5"},
      {"2 Aug 2002 01:02:03 cdt", "2002-08-02 06:02:03.000 dow 5"},
      {"2 Aug 2002 01:02:03 MST", "2002-08-02 08:02:03.000 dow 5"},
      {"2 Aug 2002 01:02:03 MDT", "2002-08-02 07:02:03.000 dow 5"},
      {"2 Aug 2002 01:02:03 PST", "2002-08-02 09:02:03.000 dow 5"},
      {"2 Aug 2002 01:02:03 UT", "2002-08-02 01:02:03.000 dow 5"},
      {"Sat, 29 Feb 2000 23:59:59 -0001", "2000-03-01 00:00:59.000 dow 3"},
      {"31 Dec 1999 23:30:00 -0100", "2000-01-01 00:30:00.000 dow 6"},
      {"1 Jan 2000 00:30:00 +0100", "1999-12-31 23:30:00.000 dow 5"},
      {"Mon Jan 14 10:22:33 2002", "2002-01-14 10:22:33.000 dow 1"},  // ctime
      {"Sat, 27 Jul 2002 9:05:03 PM -0400", "2002-07-28 01:05:03.000 dow 0"},
      {"27 Jul 02 12:05:03 AM", "2002-07-27 00:05:03.000 dow 6"},
      {"14-Jan-2002 10:22:33 CDT", "2002-01-14 15:22:33.000 dow 1"},
      {"Thu, 1 Aug 2002 12:00:00 +-0400", "2002-08-01 12:00:00.000 dow 4"},  // unknown zone: UTC
      {"Thu, 1 Aug 2002 12:00:00 Eastern Daylight Time", "2002-08-01 12:00:00.000 dow 4"},
      {"Thu, 1 Aug 2002 12:00:00 GMT Daylight Time", "2002-08-01 12:00:00.000 dow 4"},
      {"Thu, 1 Aug 2002 12:00:60 +0000", "2002-08-01 12:00:59.000 dow 4"},  // leap second
      {"Thu, 1 Aug 2002 12:00:5 +0000 (added by postmaster@x.com)", "2002-08-01 12:00:05.000 dow 4"},
      {"Sun, 4 Aug 2002 10:00:00 99999", "2002-08-04 10:00:00.000 dow 0"},  // trailing junk number
      {"  1 Jan 102 00:00:00", "2002-01-01 00:00:00.000 dow 2"},            // years since 1900
      {"Thu, 22 Aug 0102 12:07:35 +0800", "2002-08-22 04:07:35.000 dow 4"},
      {"2002/09/14 Sat 02:29:32 CDT", "2002-09-14 07:29:32.000 dow 6"},
      {"1 January 2003", "2003-01-01 00:00:00.000 dow 3"},  // no time: midnight
      {"Tue, 3 Jun 2003 10:00:00 (comment (nested) ) +0200", "2003-06-03 08:00:00.000 dow 2"},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    utc_time t;
    ASSERT_TRUE(parse(rows[i].text, &t)) << "row " << i << ": " << rows[i].text;
    EXPECT_EQ(fields(t), rows[i].utc) << "row " << i << ": " << rows[i].text;
  }
}

TEST(DateParse, UnusableDatesAreRefused) {
  const char* rows[] = {
      "",
      "garbage",
      "32 Jan 2002 10:00:00",
      "29 Feb 2001 10:00",
      "1 Foo 2002 10:00",
      "1 Jan 2002 24:00:00",
      "1 Jan 2002 10:60",
      "Jan 2002 10:00:00",
      "1 Jan 1600 00:00:00 GMT",
      "0 Jan 2002",
      "1 Jan 2002 1:2:3:4",
      "1 Jan 2002 10:00:61",
      "2002/13/01 10:00",
      "14/09/2002 10:00",
      "2002/09/31",
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    utc_time t;
    EXPECT_FALSE(parse(rows[i], &t)) << "row " << i << ": " << rows[i];
  }
}

TEST(DateParse, HostileInputNeverYieldsABadRecord) {
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  const char alphabet[] = "0123456789:+-() ,\t\r\nJanFebMayThuPMGMTx\xff";
  std::string s;
  for (int round = 0; round < 20000; ++round) {
    s.resize(next() % 80);
    for (char& c : s)
      c = (next() >> 8) % 4 == 0 ? static_cast<char>(next() >> 16)
                                 : alphabet[(next() >> 8) % (sizeof(alphabet) - 1)];
    utc_time t;
    if (parse(s, &t)) expect_sane(t, "round " + std::to_string(round));
  }
  // Overlong input: a valid date first, megabytes of junk, open comments and digits after it.
  std::string longest = "1 Jan 2002 10:00:00 " + std::string(1 << 20, '(') + std::string(1 << 20, '9');
  utc_time t;
  ASSERT_TRUE(parse(longest, &t));
  EXPECT_EQ(fields(t), "2002-01-01 10:00:00.000 dow 2");
  EXPECT_FALSE(parse(std::string(1 << 20, '9'), &t));
}

TEST(DateHeader, FoundOnlyInTheHeaderSection) {
  struct row {
    std::string message;
    bool found;
    std::string value;
  } rows[] = {
      {"From: a\nDate: Thu, 1 Aug 2002\nX: y\n\nbody", true, " Thu, 1 Aug 2002"},
      {"DATE:1 Aug 2002\r\n\r\n", true, "1 Aug 2002"},
      {"Date: Thu,\n 1 Aug\n\t2002\nX: y\n", true, " Thu,  1 Aug \t2002"},  // folded
      {"X: y\n\nDate: 1 Aug 2002\n", false, ""},                            // in the body
      {"X-Date: 1 Aug 2002\nDated: 2 Aug 2002\n", false, ""},
      {"X: y\nDate: last line without end", true, " last line without end"},
      {"Date: first\nDate: second\n", true, " first"},
      {"", false, ""},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    std::string value = "sentinel";
    EXPECT_EQ(find_header(rows[i].message.data(), rows[i].message.size(), "Date", &value), rows[i].found)
        << "row " << i;
    if (rows[i].found) { EXPECT_EQ(value, rows[i].value) << "row " << i; }
  }
}

TEST(DateHeader, LongFoldedValueIsCut) {
  std::string message = "Date: " + std::string(2000, 'a');
  for (int i = 0; i < 1000; ++i) message += "\n " + std::string(100, 'b');
  message += "\n\nbody";
  std::string value;
  ASSERT_TRUE(find_header(message.data(), message.size(), "Date", &value));
  EXPECT_EQ(value.size(), kMaxHeaderValue);
}

TEST(DateHeader, MessageDateConvertsTheHeader) {
  std::string message = "Subject: x\r\nDate: Thu, 22 Aug 2002 13:17:22 +0100 (BST)\r\n\r\nbody";
  utc_time t;
  ASSERT_TRUE(message_date(message.data(), message.size(), &t));
  EXPECT_EQ(fields(t), "2002-08-22 12:17:22.000 dow 4");
  std::string no_date = "Subject: x\r\n\r\nDate: Thu, 22 Aug 2002 13:17:22 +0100\r\n";
  EXPECT_FALSE(message_date(no_date.data(), no_date.size(), &t));
}

TEST(UtcTime, FromUnixSeconds) {
  struct row {
    int64_t seconds;
    const char* utc;
  } rows[] = {
      {0, "1970-01-01 00:00:00.000 dow 4"},
      {-1, "1969-12-31 23:59:59.000 dow 3"},
      {951782400, "2000-02-29 00:00:00.000 dow 2"},
      {1029938242, "2002-08-21 13:57:22.000 dow 3"},
      {-11644473600LL, "1601-01-01 00:00:00.000 dow 1"},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    utc_time t;
    ASSERT_TRUE(utc_from_unix(rows[i].seconds, &t)) << "row " << i;
    EXPECT_EQ(fields(t), rows[i].utc) << "row " << i;
  }
  utc_time t;
  EXPECT_FALSE(utc_from_unix(-11644473601LL, &t));
  EXPECT_FALSE(utc_from_unix(INT64_MAX, &t));
  EXPECT_FALSE(utc_from_unix(INT64_MIN, &t));
}

TEST(UtcTime, RecordIsLittleEndianInSystemTimeOrder) {
  utc_time t;
  t.year = 0x07D2;
  t.month = 8;
  t.day_of_week = 4;
  t.day = 22;
  t.hour = 13;
  t.minute = 17;
  t.second = 22;
  t.milliseconds = 0x0102;
  unsigned char out[kTimeRecordSize + 1];
  std::memset(out, 0xCC, sizeof(out));
  encode_time_record(t, out);
  const unsigned char expected[kTimeRecordSize] = {0xD2, 0x07, 8,  0, 4,  0, 22,   0,
                                                   13,   0,    17, 0, 22, 0, 0x02, 0x01};
  EXPECT_EQ(std::memcmp(out, expected, kTimeRecordSize), 0);
  EXPECT_EQ(out[kTimeRecordSize], 0xCC);
}
