// Message sources: mbox splitting, envelope lines, folder order, index files, reading.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/mail_source.h"
#include "tests/host/scratch_dir.h"

using host_testing::scratch_dir;

namespace {

const std::string kEnv1 = "From alice@example.org  Thu Aug 22 13:17:22 2002";
const std::string kEnv2 = "From bob@example.org Fri Aug 23 01:02:03 2002";

// The messages of an mbox file as scan_mbox cuts them.
std::vector<std::string> split(const std::string& mbox) {
  scratch_dir dir;
  std::string path = dir.put("box", mbox);
  FILE* f = std::fopen(path.c_str(), "rb");
  std::vector<byte_range> ranges;
  EXPECT_TRUE(f && scan_mbox(f, &ranges));
  if (f) std::fclose(f);
  std::vector<std::string> out;
  for (const byte_range& r : ranges) out.push_back(mbox.substr(r.offset, r.size));
  return out;
}

std::string read_all(const message_ref& m) {
  message_reader reader;
  std::string error;
  EXPECT_TRUE(reader.read(m, &error)) << error;
  return std::string(reader.data(), reader.size());
}

}  // namespace

TEST(Mbox, SplitsAtEnvelopeLinesAfterAnEmptyLine) {
  struct row {
    std::string mbox;
    std::vector<std::string> messages;
  } rows[] = {
      {kEnv1 + "\nA: 1\n\nbody one\n\n" + kEnv2 + "\nB: 2\n\nbody two\n",
       {"A: 1\n\nbody one\n", "B: 2\n\nbody two\n"}},
      // CRLF line ends: the separating empty line is two bytes.
      {kEnv1 + "\r\nA: 1\r\n\r\nx\r\n\r\n" + kEnv2 + "\r\nB: 2\r\n\r\ny\r\n",
       {"A: 1\r\n\r\nx\r\n", "B: 2\r\n\r\ny\r\n"}},
      // The empty line a writer puts after the last message belongs to the format too.
      {kEnv1 + "\nA\n\n" + kEnv2 + "\nB\n\n", {"A\n", "B\n"}},
      // A body line "From ..." without a date, after an empty line, is text (the public corpus has one).
      {kEnv1 + "\nA: 1\n\nFrom home recordings to mp3s, 12 tracks\nmore\n",
       {"A: 1\n\nFrom home recordings to mp3s, 12 tracks\nmore\n"}},
      // An envelope-like line that does not follow an empty line is text.
      {kEnv1 + "\nA: 1\n\nhi\n" + kEnv2 + "\n", {"A: 1\n\nhi\n" + kEnv2 + "\n"}},
      // A single message with its envelope line keeps its bytes, trailing empty line included.
      {kEnv1 + "\nA: 1\n\nbody\n\n", {"A: 1\n\nbody\n\n"}},
      // An envelope line as the last line, without a line end: an empty message.
      {kEnv1 + "\nA\n\n" + kEnv2, {"A\n", ""}},
      // Messages without a body or header separator are cut the same way.
      {kEnv1 + "\n\n" + kEnv2 + "\nonly a header line", {"", "only a header line"}},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i)
    EXPECT_EQ(split(rows[i].mbox), rows[i].messages) << "row " << i;
}

TEST(Mbox, EnvelopeLineAcrossAChunkBoundaryIsFound) {
  // scan_mbox reads 1 MB at a time; put the second envelope line astride the first boundary.
  const size_t chunk = 1 << 20;
  std::string head = kEnv1 + "\nA: 1\n\n";
  std::string body(chunk - head.size() - 2 - 10, 'x');
  std::string mbox = head + body + "\n\n" + kEnv2 + "\nB: 2\n\ny\n";
  std::vector<std::string> got = split(mbox);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], "A: 1\n\n" + body + "\n");
  EXPECT_EQ(got[1], "B: 2\n\ny\n");
}

TEST(Mbox, EnvelopeLineRecognition) {
  struct row {
    const char* line;
    bool first, envelope;
  } rows[] = {
      {"From a@b Thu Aug 22 13:17:22 2002", false, true},
      {"From MAILER-DAEMON Mon Jan  1 00:00:00 2001", false, true},
      {"From home recordings to mp3s", false, false},
      {"From a@b no clock here", false, false},
      {"From  Thu Aug 22 13:17:22 2002", false, false},  // no sender
      {"From x", true, true},                            // the file's first line needs only "From "
      {"From", true, false},
      {">From a@b Thu Aug 22 13:17:22 2002", false, false},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i)
    EXPECT_EQ(is_envelope_line(rows[i].line, std::string(rows[i].line).size(), rows[i].first),
              rows[i].envelope)
        << "row " << i;
}

TEST(Sources, FolderIsWalkedInSortedOrderAndEachFileIsOneMessage) {
  scratch_dir dir;
  dir.put("b.eml", "Subject: b\n\nB\n");
  dir.put("a/z.eml", kEnv1 + "\nSubject: z\n\nZ\n\n" + kEnv2 + "\nSubject: z2\n\nZ2\n");  // not split
  dir.put("a/c.eml", "Subject: c\n\nC\n");
  dir.put("c", "");
  dir.put(".complete", "");
  dir.put(".pkg/d.eml", "Subject: d\n\nD\n");
  std::vector<message_ref> got;
  std::string error;
  ASSERT_TRUE(collect_messages({dir.path()}, &got, &error)) << error;
  std::vector<std::string> expected = {dir.at("a/c.eml"), dir.at("a/z.eml"), dir.at("b.eml"), dir.at("c")};
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].name, expected[i]) << "row " << i;
    EXPECT_TRUE(got[i].whole_file) << "row " << i;
  }
  EXPECT_EQ(read_all(got[1]), "Subject: z\n\nZ\n\n" + kEnv2 + "\nSubject: z2\n\nZ2\n");
  EXPECT_EQ(read_all(got[3]), "");
}

TEST(Sources, MessageFilesLoseOnlyTheirEnvelopeLine) {
  scratch_dir dir;
  struct row {
    std::string bytes, message;
  } rows[] = {
      {kEnv1 + "\nSubject: x\n\nbody\n", "Subject: x\n\nbody\n"},
      {kEnv1 + "\r\nSubject: x\r\n\r\nbody", "Subject: x\r\n\r\nbody"},
      {"Subject: no envelope\n\nFrom me, with love\n", "Subject: no envelope\n\nFrom me, with love\n"},
      {"Subject: no separator\nX-A: b", "Subject: no separator\nX-A: b"},
      {std::string("A: \0\x1a\xff\n\nbin\r", 12), std::string("A: \0\x1a\xff\n\nbin\r", 12)},
      {kEnv1, ""},
      {"", ""},
  };
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    std::string path = dir.put("m" + std::to_string(i), rows[i].bytes);
    std::vector<message_ref> got;
    std::string error;
    ASSERT_TRUE(collect_messages({path}, &got, &error)) << "row " << i << ": " << error;
    ASSERT_EQ(got.size(), 1u) << "row " << i;
    EXPECT_EQ(got[0].name, path) << "row " << i;
    EXPECT_EQ(read_all(got[0]), rows[i].message) << "row " << i;
  }
}

TEST(Sources, MboxArgumentGivesNumberedMessages) {
  scratch_dir dir;
  std::string path = dir.put("inbox", kEnv1 + "\nA: 1\n\none\n\n" + kEnv2 + "\nB: 2\n\ntwo\n");
  std::string single = dir.put("single.eml", "C: 3\n\nthree\n");
  std::vector<message_ref> got;
  std::string error;
  ASSERT_TRUE(collect_messages({path, single}, &got, &error)) << error;
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].name, path + "#1");
  EXPECT_EQ(got[1].name, path + "#2");
  EXPECT_EQ(got[2].name, single);
  EXPECT_EQ(read_all(got[0]), "A: 1\n\none\n");
  EXPECT_EQ(read_all(got[1]), "B: 2\n\ntwo\n");
  // One reader serves messages of any size in turn from the same buffer.
  message_reader reader;
  ASSERT_TRUE(reader.read(got[2], &error));
  ASSERT_TRUE(reader.read(got[1], &error));
  EXPECT_EQ(std::string(reader.data(), reader.size()), "B: 2\n\ntwo\n");
}

TEST(Sources, MissingArgumentIsNamed) {
  scratch_dir dir;
  std::vector<message_ref> got;
  std::string error;
  EXPECT_FALSE(collect_messages({dir.at("nothing-here")}, &got, &error));
  EXPECT_NE(error.find("nothing-here"), std::string::npos) << error;
  message_reader reader;
  message_ref gone{dir.at("gone.eml"), "gone.eml", true, 0, 0, message_label::none};
  EXPECT_FALSE(reader.read(gone, &error));
  EXPECT_EQ(reader.size(), 0u);
}

TEST(Sources, LargeSingleMessageIsReadWhole) {
  scratch_dir dir;
  std::string big = "Subject: big\n\n" + std::string(50u << 20, 'a');
  std::string path = dir.put("big.eml", kEnv1 + "\n" + big);
  std::vector<message_ref> got;
  std::string error;
  ASSERT_TRUE(collect_messages({path}, &got, &error)) << error;
  ASSERT_EQ(got.size(), 1u);
  message_reader reader;
  ASSERT_TRUE(reader.read(got[0], &error)) << error;
  ASSERT_EQ(reader.size(), big.size());
  EXPECT_EQ(std::string(reader.data(), 14), "Subject: big\n\n");
  EXPECT_EQ(reader.data()[reader.size() - 1], 'a');
}

// "-" names standard input; its message is read whole across read steps, the envelope line left out,
// and a second read of the drained stream gives an empty message rather than a failure.
TEST(Sources, StandardInputIsOneMessageReadWhole) {
  std::vector<message_ref> got;
  std::string error;
  ASSERT_TRUE(collect_messages({"-"}, &got, &error)) << error;
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].name, "(stdin)");
  const std::string body = "Subject: piped\r\n\r\n" + std::string(200000, 'b') + "\x1a\r\n";
  FILE* in = std::tmpfile();
  ASSERT_NE(in, nullptr);
  const std::string all = kEnv1 + "\n" + body;
  ASSERT_EQ(std::fwrite(all.data(), 1, all.size(), in), all.size());
  std::rewind(in);
  message_reader reader;
  ASSERT_TRUE(reader.read(got[0], &error, in)) << error;
  EXPECT_EQ(std::string(reader.data(), reader.size()), body);
  EXPECT_GT(reader.file_time(), 0);  // the time of reading stands in for a file's time
  ASSERT_TRUE(reader.read(got[0], &error, in)) << error;
  EXPECT_EQ(reader.size(), 0u);
  std::fclose(in);
}

TEST(Index, ReadsLabelsAndPathsRelativeToTheRoot) {
  scratch_dir dir;
  std::string index = dir.put("online.idx", "spam spam/a.eml\r\n\nham  ham/b.eml\nspam spam/c d.eml\n");
  std::vector<message_ref> got;
  std::string error;
  ASSERT_TRUE(read_index(index, dir.path(), &got, &error)) << error;
  ASSERT_EQ(got.size(), 3u);
  const char* names[] = {"spam/a.eml", "ham/b.eml", "spam/c d.eml"};
  message_label labels[] = {message_label::spam, message_label::ham, message_label::spam};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(got[i].name, names[i]) << "row " << i;
    EXPECT_EQ(got[i].label, labels[i]) << "row " << i;
    EXPECT_EQ(got[i].path.substr(0, dir.path().size()), dir.path()) << "row " << i;
  }
}

TEST(Index, BadLineIsReportedWithItsNumber) {
  scratch_dir dir;
  const char* bad[] = {"spam a.eml\nmaybe b.eml\n", "spam a.eml\n\nham\n"};
  for (size_t i = 0; i < 2; ++i) {
    std::string index = dir.put("bad" + std::to_string(i), bad[i]);
    std::vector<message_ref> got;
    std::string error;
    EXPECT_FALSE(read_index(index, dir.path(), &got, &error)) << "row " << i;
    EXPECT_NE(error.find(i == 0 ? ":2:" : ":3:"), std::string::npos) << "row " << i << ": " << error;
  }
}
