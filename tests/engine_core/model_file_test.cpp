#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "common/byte_io.h"
#include "sfl_ipc/core/model_file.h"

namespace {

// Field offsets of the format, as model_file.h lays it out.
constexpr size_t kAtFormat = 4;
constexpr size_t kAtTokenizer = 6;
constexpr size_t kAtHeaderWords = 12;
constexpr size_t kAtReceivedPairs = 31;
constexpr size_t kAtTableBits = 32;
constexpr size_t kAtLearnRate = 33;
constexpr size_t kAtMaxSteps = 45;
constexpr size_t kAtSpamPower = 54;
constexpr size_t kAtPriorWeight = 58;
constexpr size_t kAtPriorFreeRatio = 62;
constexpr size_t kAtMaxPriorShift = 66;
constexpr size_t kAtMessagesSpam = 78;
constexpr size_t kAtEncoding = 122;
constexpr size_t kAtSparseCount = 123;
constexpr size_t kAtFirstGap = 127;

sfl::classifier trained(uint32_t table_bits, int random_messages) {
  sfl::classifier_params p;
  p.model.table_bits = table_bits;
  sfl::classifier c(p);
  c.learn("Subject: cheap pills\n\nbuy now http://x.example", true, true);
  c.learn("Subject: notes\n\nthe meeting is on Tuesday", false, false);
  std::mt19937 rng(7);
  for (int i = 0; i < random_messages; ++i) {
    std::string m(3000, '\0');
    for (char& ch : m) ch = static_cast<char>(rng());
    c.learn(m, i % 2 == 0, true);
  }
  return c;
}

// Recomputes the checksum, so that a test reaches the checks behind it.
void reseal(std::vector<uint8_t>* b) {
  b->resize(b->size() - 4);
  put_u32(b, crc32(b->data(), b->size()));
}

// A classifier whose state any failed decode must leave alone.
sfl::classifier sentinel() {
  sfl::classifier c;
  c.learn("Subject: sentinel\n\nsentinel body", true, true);
  return c;
}

bool same_state(const sfl::classifier& a, const sfl::classifier& b) {
  return sfl::encode_model(a) == sfl::encode_model(b);
}

TEST(ModelFile, RoundTripKeepsScoresCountersAndBytes) {
  for (int random_messages : {0, 60}) {  // sparse and dense slot layouts
    sfl::classifier c = trained(12, random_messages);
    std::vector<uint8_t> bytes = sfl::encode_model(c);
    EXPECT_EQ(bytes[kAtEncoding], random_messages ? 0 : 1) << random_messages;
    sfl::classifier back;
    ASSERT_EQ(sfl::decode_model(bytes.data(), bytes.size(), &back), sfl::model_load::ok) << random_messages;
    EXPECT_EQ(sfl::encode_model(back), bytes) << random_messages;
    EXPECT_EQ(back.counters().messages[1], c.counters().messages[1]);
    EXPECT_EQ(back.counters().tokens[0], c.counters().tokens[0]);
    EXPECT_EQ(back.counters().marks[0], c.counters().marks[0]);
    std::string probe = "Subject: cheap pills\n\nbuy";
    EXPECT_EQ(back.margin(probe), c.margin(probe)) << random_messages;
    EXPECT_EQ(back.params().model.table_bits, 12u);
  }
}

TEST(ModelFile, EveryTruncationAndByteFlipIsRejected) {
  std::vector<uint8_t> good = sfl::encode_model(trained(12, 0));
  sfl::classifier target = sentinel();
  const sfl::classifier before = sentinel();
  for (size_t n = 0; n < good.size(); ++n)
    ASSERT_NE(sfl::decode_model(good.data(), n, &target), sfl::model_load::ok) << "length " << n;
  for (size_t i = 0; i < good.size(); ++i) {
    std::vector<uint8_t> bad = good;
    bad[i] ^= static_cast<uint8_t>(1u << (i % 8));
    ASSERT_EQ(sfl::decode_model(bad.data(), bad.size(), &target), sfl::model_load::corrupt) << "byte " << i;
  }
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  EXPECT_EQ(sfl::decode_model(longer.data(), longer.size(), &target), sfl::model_load::corrupt);
  EXPECT_EQ(sfl::decode_model(nullptr, 0, &target), sfl::model_load::corrupt);
  std::mt19937 rng(1);
  for (int r = 0; r < 200; ++r) {
    std::vector<uint8_t> noise(rng() % 4096);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(rng());
    ASSERT_EQ(sfl::decode_model(noise.data(), noise.size(), &target), sfl::model_load::corrupt)
        << "random " << r;
  }
  EXPECT_TRUE(same_state(target, before));  // nothing of a rejected file leaked in
}

TEST(ModelFile, SealedButInvalidFieldsAreRejected) {
  const std::vector<uint8_t> good = sfl::encode_model(trained(12, 0));
  ASSERT_EQ(good[kAtEncoding], 1);  // the rows below poke the sparse layout
  struct row {
    size_t offset;
    std::vector<uint8_t> bytes;
    sfl::model_load want;
  };
  const row rows[] = {
      {0, {'X'}, sfl::model_load::corrupt},  // magic
      {kAtFormat, {3, 0}, sfl::model_load::other_version},
      {kAtFormat, {6, 0}, sfl::model_load::other_version},
      {kAtFormat, {4, 0}, sfl::model_load::corrupt},  // read as format 4, one byte is left over
      {kAtTokenizer, {9, 0}, sfl::model_load::other_version},
      {kAtHeaderWords, {2}, sfl::model_load::corrupt},  // flag other than 0/1
      {kAtReceivedPairs, {2}, sfl::model_load::corrupt},
      {kAtTableBits, {30}, sfl::model_load::corrupt},
      {kAtTableBits, {11}, sfl::model_load::corrupt},
      {kAtLearnRate, {0, 0, 0xc0, 0x7f}, sfl::model_load::corrupt},  // NaN
      {kAtMaxSteps, {0}, sfl::model_load::corrupt},
      {kAtSpamPower, {0, 0, 0, 0}, sfl::model_load::corrupt},            // zero
      {kAtPriorWeight, {0, 0, 0x80, 0xbf}, sfl::model_load::corrupt},    // -1
      {kAtPriorWeight, {0, 0, 0, 0}, sfl::model_load::ok},               // zero: no correction
      {kAtPriorFreeRatio, {0, 0, 0, 0}, sfl::model_load::corrupt},       // zero
      {kAtMaxPriorShift, {0, 0, 0x80, 0x7f}, sfl::model_load::corrupt},  // infinite
      {kAtEncoding, {7}, sfl::model_load::corrupt},
      {kAtEncoding, {0}, sfl::model_load::corrupt},                             // dense, but data too short
      {kAtSparseCount, {0xff, 0xff, 0, 0}, sfl::model_load::corrupt},           // more slots than data
      {kAtSparseCount, {0, 0, 0, 0}, sfl::model_load::corrupt},                 // fewer: bytes left over
      {kAtFirstGap, {0xff, 0xff, 0xff, 0xff, 0x0f}, sfl::model_load::corrupt},  // slot past the table
      {kAtMessagesSpam, {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}, sfl::model_load::ok},  // any count
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    std::vector<uint8_t> b = good;
    std::copy(rows[i].bytes.begin(), rows[i].bytes.end(),
              b.begin() + static_cast<std::ptrdiff_t>(rows[i].offset));
    reseal(&b);
    sfl::classifier target = sentinel();
    sfl::model_load got = sfl::decode_model(b.data(), b.size(), &target);
    EXPECT_EQ(got, rows[i].want) << "row " << i;
    if (got != sfl::model_load::ok) { EXPECT_TRUE(same_state(target, sentinel())) << "row " << i; }
  }
}

std::vector<uint8_t> read_golden(const char* name) {
  std::vector<uint8_t> bytes;
  FILE* f = std::fopen((std::string(SFL_GOLDEN_DIR) + name).c_str(), "rb");
  if (!f) return bytes;
  for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  return bytes;
}

// model_format4.bin: a 2^12-slot model that learned "Subject: cheap pills\n\nbuy now http://x.example" as
// spam, then "Subject: notes\n\nthe meeting is on Tuesday" as good, saved by the format-4 encoder
// when the tokenizer's defaults were a 3000-byte body prefix and 3000 body words. A model keeps the
// parameters it was trained with: it must score as it did then, whatever today's defaults are.
TEST(ModelFile, GoldenFileOfFormat4) {
  std::vector<uint8_t> golden = read_golden("model_format4.bin");
  ASSERT_EQ(golden.size(), 691u);
  sfl::classifier back;
  ASSERT_EQ(sfl::decode_model(golden.data(), golden.size(), &back), sfl::model_load::ok);
  EXPECT_EQ(back.score("Subject: cheap pills\n\nbuy now"), 66);
  EXPECT_EQ(back.score("Subject: notes\n\nthe meeting"), 46);
  EXPECT_EQ(back.counters().messages[0], 1u);
  EXPECT_EQ(back.counters().marks[0], 0u);
  EXPECT_EQ(back.params().tokens.body_prefix, 3000u);
  EXPECT_EQ(back.params().tokens.max_words, 3000u);
  EXPECT_NE(back.params().tokens.body_prefix, sfl::classifier_params().tokens.body_prefix);
  // Trained before word pairs existed: it goes on without them, and is saved as format 5 so.
  EXPECT_FALSE(back.params().tokens.body_pairs);
  EXPECT_FALSE(back.params().tokens.received_pairs);
  std::vector<uint8_t> saved = sfl::encode_model(back);
  EXPECT_EQ(saved[kAtFormat], 5);
  EXPECT_EQ(saved.size(), golden.size() + 1);
  sfl::classifier again;
  ASSERT_EQ(sfl::decode_model(saved.data(), saved.size(), &again), sfl::model_load::ok);
  EXPECT_FALSE(again.params().tokens.received_pairs);
  EXPECT_EQ(again.score("Subject: cheap pills\n\nbuy now"), 66);
  again.learn("Subject: cheap pills again\n\nbuy now", true, true);  // learning keeps its features
  EXPECT_FALSE(again.params().tokens.received_pairs);
}

TEST(ModelFile, PairsAreKeptWithTheModel) {
  for (bool pairs : {false, true}) {
    sfl::classifier_params p;
    p.model.table_bits = 12;
    p.tokens.received_pairs = pairs;
    sfl::classifier c(p);
    c.learn("Received: from a.example by b\nSubject: cheap pills\n\nbuy", true, true);
    std::vector<uint8_t> bytes = sfl::encode_model(c);
    EXPECT_EQ(bytes[kAtReceivedPairs], pairs ? 1 : 0);
    sfl::classifier back;
    ASSERT_EQ(sfl::decode_model(bytes.data(), bytes.size(), &back), sfl::model_load::ok);
    EXPECT_EQ(back.params().tokens.received_pairs, pairs);
    const char* probe = "Received: from a.example by b\n\n";
    EXPECT_EQ(back.margin(probe), c.margin(probe));
  }
}

}  // namespace

namespace {

TEST(ByteReader, VarintShortestFormsOnly) {
  struct row {
    std::vector<uint8_t> in;
    bool ok;
    uint32_t value;
    size_t left;
  };
  const row rows[] = {
      {{0x00}, true, 0, 0},
      {{0x7f, 0xaa}, true, 127, 1},
      {{0x80, 0x01}, true, 128, 0},
      {{0xff, 0xff, 0xff, 0xff, 0x0f}, true, 0xffffffffu, 0},
      {{0x80, 0x00}, false, 0, 2},                    // overlong zero
      {{0xff, 0xff, 0xff, 0xff, 0x10}, false, 0, 5},  // past 32 bits
      {{0x80, 0x80, 0x80, 0x80, 0x80, 0x01}, false, 0, 6},
      {{0x80}, false, 0, 1},  // cut short
      {{}, false, 0, 0},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    byte_view in{rows[i].in.data(), rows[i].in.size()};
    uint32_t v = 0xdeadbeef;
    EXPECT_EQ(read_varint(&in, &v), rows[i].ok) << "row " << i;
    EXPECT_EQ(in.size, rows[i].left) << "row " << i;  // a failed read does not advance
    if (rows[i].ok) {
      EXPECT_EQ(v, rows[i].value) << "row " << i;
    } else {
      EXPECT_EQ(v, 0xdeadbeefu) << "row " << i;
    }
  }
}

}  // namespace
