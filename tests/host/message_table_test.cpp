// The data callback as the plug-in calls it: length first, then the bytes; the time record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/message_table.h"

namespace {

utc_time sample_time() {
  utc_time t;
  utc_from_unix(1029938242, &t);
  return t;
}

}  // namespace

TEST(Callback, TextLengthThenDataThenShortBuffers) {
  const std::string text = "Subject: hi\r\n\r\nbody";
  const int n = static_cast<int>(text.size());
  int msid = publish_message(0, text.data(), text.size(), sample_time());
  ASSERT_GT(msid, 0);
  EXPECT_EQ(serve_message_request(msid, kRequestText, nullptr, 0), n);
  struct row {
    int size, copied;
  } rows[] = {{n, n}, {n + 10, n}, {5, 5}, {1, 1}, {0, 0}, {-3, 0}};
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    char buf[64];
    std::memset(buf, 0xCC, sizeof(buf));
    EXPECT_EQ(serve_message_request(msid, kRequestText, buf, rows[i].size), rows[i].copied) << "row " << i;
    EXPECT_EQ(std::string(buf, rows[i].copied), text.substr(0, rows[i].copied)) << "row " << i;
    EXPECT_EQ(static_cast<unsigned char>(buf[rows[i].copied]), 0xCC) << "row " << i;
  }
  retire_message(0);
}

TEST(Callback, TimeRecordIsSixteenBytes) {
  const std::string text = "x";
  int msid = publish_message(1, text.data(), text.size(), sample_time());
  EXPECT_EQ(serve_message_request(msid, kRequestTime, nullptr, 0), 16);
  unsigned char buf[20], expected[kTimeRecordSize];
  std::memset(buf, 0xCC, sizeof(buf));
  encode_time_record(sample_time(), expected);
  EXPECT_EQ(serve_message_request(msid, kRequestTime, buf, sizeof(buf)), 16);
  EXPECT_EQ(std::memcmp(buf, expected, 16), 0);
  EXPECT_EQ(buf[16], 0xCC);
  EXPECT_EQ(serve_message_request(msid, kRequestTime, buf, 4), 4);
  retire_message(1);
}

TEST(Callback, UnknownRequestsAndStaleMsidsGiveNothing) {
  const std::string a = "first", b = "second message";
  int first = publish_message(2, a.data(), a.size(), sample_time());
  char buf[32];
  for (int request : {0, 100004, 100007, -1})
    EXPECT_EQ(serve_message_request(first, request, buf, sizeof(buf)), 0) << request;
  // The slot's next message gets a new MSID; the old one no longer reaches it.
  int second = publish_message(2, b.data(), b.size(), sample_time());
  EXPECT_NE(second, first);
  EXPECT_EQ(serve_message_request(first, kRequestText, nullptr, 0), 0);
  EXPECT_EQ(serve_message_request(second, kRequestText, nullptr, 0), static_cast<int>(b.size()));
  // Another slot's message is served alongside.
  int other = publish_message(3, a.data(), a.size(), sample_time());
  EXPECT_EQ(serve_message_request(other, kRequestText, nullptr, 0), static_cast<int>(a.size()));
  EXPECT_EQ(serve_message_request(second, kRequestText, nullptr, 0), static_cast<int>(b.size()));
  retire_message(2);
  retire_message(3);
  EXPECT_EQ(serve_message_request(second, kRequestText, nullptr, 0), 0);
  EXPECT_EQ(serve_message_request(0, kRequestText, nullptr, 0), 0);
  EXPECT_EQ(serve_message_request(-5, kRequestText, nullptr, 0), 0);
  EXPECT_EQ(publish_message(kMessageSlots, a.data(), a.size(), sample_time()), 0);
  EXPECT_EQ(publish_message(-1, a.data(), a.size(), sample_time()), 0);
}

TEST(Callback, EmptyMessageHasLengthZero) {
  int msid = publish_message(4, nullptr, 0, sample_time());
  char buf[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(serve_message_request(msid, kRequestText, nullptr, 0), 0);
  EXPECT_EQ(serve_message_request(msid, kRequestText, buf, sizeof(buf)), 0);
  EXPECT_EQ(buf[0], 'a');
  retire_message(4);
}
