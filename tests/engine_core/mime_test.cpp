#include <gtest/gtest.h>

#include <string>

#include "sfl_ipc/core/mime.h"
#include "sfl_ipc/core/mime_codec.h"

namespace {

using sfl::message_part;

std::string b64(std::string_view in) {
  std::string out;
  sfl::decode_base64(in, &out);
  return out;
}

std::string qp(std::string_view in, bool header) {
  std::string out;
  sfl::decode_quoted_printable(in, header, &out);
  return out;
}

std::string words(std::string_view in) {
  std::string out;
  sfl::decode_encoded_words(in, &out);
  return out;
}

std::string html(std::string_view in) {
  std::string out;
  sfl::html_to_text(in, &out);
  return out;
}

TEST(MimeCodec, DecodesTable) {
  struct row {
    std::string (*fn)(std::string_view);
    const char* in;
    const char* want;
  };
  const row rows[] = {
      {b64, "SGVsbG8sIHdvcmxkIQ==", "Hello, world!"},
      {b64, "SGVs\r\nbG8=", "Hello"},      // line breaks inside
      {b64, "SG!!Vs*bG8", "Hello"},        // junk skipped
      {b64, "SGVsbG8=trailing", "Hello"},  // stops at padding
      {b64, "", ""},
      {[](std::string_view s) { return qp(s, false); }, "caf=C3=A9 =3D ok", "caf\xc3\xa9 = ok"},
      {[](std::string_view s) { return qp(s, false); }, "soft=\r\nbreak=\nhere", "softbreakhere"},
      {[](std::string_view s) { return qp(s, false); }, "bad=ZZ end=", "bad=ZZ end="},  // kept literally
      {[](std::string_view s) { return qp(s, false); }, "a_b", "a_b"},
      {[](std::string_view s) { return qp(s, true); }, "a_b=20c", "a b c"},
      {words, "=?utf-8?B?SGVsbG8=?= world", "Hello world"},
      {words, "=?iso-8859-1?q?caf=E9_au_lait?=", "caf\xe9 au lait"},
      {words, "=?utf-8?B?QQ==?=  \t =?utf-8?B?Qg==?=", "AB"},  // space between words dropped
      {words, "x =?utf-8?Q?y?= z", "x y z"},
      {words, "=?utf-8?X?abc?= =?broken", "=?utf-8?X?abc?= =?broken"},
      {words, "=?utf-8?Q?has space?=", "=?utf-8?Q?has space?="},
      {html, "<p>Buy <b>now</b></p>", " Buy  now  "},
      {html, "a &amp; b &lt;&#65;&#x42;&gt; &nbsp;&bogus;", "a & b <AB>  &bogus;"},
      {html, "x<script>var a='<b>';</script>y<STYLE>p{}</style>z", "x  y  z"},
      {html, "<!-- hidden -->shown", " shown"},
      {html, "<a href=\"http://spam.example/x\">click</a>", "  http://spam.example/x click "},
      {html, "1 < 2 and <unclosed", "1 < 2 and <unclosed"},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i)
    EXPECT_EQ(rows[i].fn(rows[i].in), rows[i].want) << "row " << i << ": " << rows[i].in;
}

TEST(MimeParse, HeadersFoldedDecodedAndRepeated) {
  sfl::parsed_message m = sfl::parse_message(
      "From someone@example.com Mon Jan 1 00:00:00 2002\n"
      "Received: from a\n"
      "\tby b\n"
      "Subject: =?utf-8?B?SGVsbG8=?=\r\n"
      "  again\r\n"
      "Received: from c\n"
      "To: x@example.com\n"
      "\n"
      "Body line\n");
  EXPECT_EQ(m.values("received"), (std::vector<std::string>{"from a\tby b", "from c"}));
  EXPECT_EQ(m.part_text(message_part::subject), "Hello  again");
  EXPECT_EQ(m.part_text(message_part::to), "x@example.com");
  EXPECT_EQ(m.part_text(message_part::cc), "");
  EXPECT_EQ(m.part_text(message_part::body), "Body line\n");
  EXPECT_EQ(m.header_block.compare(0, 9, "Received:"), 0);  // envelope line left out
  EXPECT_FALSE(m.truncated);
}

TEST(MimeParse, NestedMultipartDecodesTextParts) {
  const char* raw =
      "Content-Type: multipart/mixed; boundary=\"outer\"\n"
      "\n"
      "preamble is ignored\n"
      "--outer\n"
      "Content-Type: multipart/alternative; boundary=inner\n"
      "\n"
      "--inner\n"
      "Content-Type: text/plain\n"
      "Content-Transfer-Encoding: quoted-printable\n"
      "\n"
      "plain =3D text\n"
      "--inner\n"
      "Content-Type: text/html\n"
      "Content-Transfer-Encoding: base64\n"
      "\n"
      "PGI+Qm9sZDwvYj4=\n"
      "--inner--\n"
      "--outer\n"
      "Content-Type: image/gif\n"
      "Content-Transfer-Encoding: base64\n"
      "\n"
      "R0lGODlh\n"
      "--outer\n"
      "Content-Type: message/rfc822\n"
      "\n"
      "Subject: inner subject\n"
      "\n"
      "inner body\n"
      "--outer--\n"
      "epilogue is ignored\n";
  sfl::parsed_message m = sfl::parse_message(raw);
  EXPECT_EQ(m.body_text, "plain = text\n Bold \ninner subject\ninner body");
  EXPECT_EQ(m.part_types, (std::vector<std::string>{"text/plain", "text/html", "image/gif", "text/plain"}));
}

TEST(MimeParse, DegenerateInputs) {
  struct row {
    std::string raw;
    std::string header_block;
    std::string body;
    size_t fields;
  };
  const row rows[] = {
      {"", "", "", 0},
      {"Subject: only headers", "Subject: only headers", "", 1},
      {"just text, no header at all\nsecond line", "", "just text, no header at all\nsecond line", 0},
      {"Subject: x\nthis line is body\n", "Subject: x\n", "this line is body\n", 1},  // no blank line
      {"\tcontinuation first\n", "", "\tcontinuation first\n", 0},
      // A boundary that never appears: the multipart gives no part, and no body text.
      {"Content-Type: multipart/mixed; boundary=zz\n\nno delimiters\n",
       "Content-Type: multipart/mixed; boundary=zz\n", "", 1},
      // No boundary parameter: read as a single text part.
      {"Content-Type: multipart/mixed\n\ntext\n", "Content-Type: multipart/mixed\n", "text\n", 1},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    sfl::parsed_message m = sfl::parse_message(rows[i].raw);
    EXPECT_EQ(m.header_block, rows[i].header_block) << "row " << i;
    EXPECT_EQ(m.body_text, rows[i].body) << "row " << i;
    EXPECT_EQ(m.fields.size(), rows[i].fields) << "row " << i;
  }
}

TEST(MimeParse, BinaryBytesKept) {
  sfl::parsed_message m = sfl::parse_message(std::string("Subject: \x01\xff\0z\n\n\xfe\0b", 18));
  ASSERT_EQ(m.fields.size(), 1u);
  EXPECT_EQ(m.fields[0].value, std::string("\x01\xff\0z", 4));
  EXPECT_EQ(m.body_text, std::string("\xfe\0b", 3));
}

TEST(MimeParse, LimitsBoundWork) {
  // 50 MB: only the head is examined, deep nesting and many parts stop at their limits.
  std::string huge = "Subject: big\n\n" + std::string(50u << 20, 'a');
  sfl::parsed_message m = sfl::parse_message(huge);
  EXPECT_TRUE(m.truncated);
  EXPECT_EQ(m.body_text.size(), sfl::mime_limits().max_body_text);

  std::string nested;
  for (int d = 0; d < 40; ++d)
    nested += "Content-Type: multipart/mixed; boundary=b" + std::to_string(d) + "\n\n--b" +
              std::to_string(d) + "\n";
  nested += "\nleaf\n";
  m = sfl::parse_message(nested);
  EXPECT_TRUE(m.truncated);
  EXPECT_TRUE(m.part_types.empty());

  std::string many = "Content-Type: multipart/mixed; boundary=b\n\n";
  for (int p = 0; p < 500; ++p) many += "--b\n\nx\n";
  m = sfl::parse_message(many);
  EXPECT_EQ(m.part_types.size(), sfl::mime_limits().max_parts);
}

}  // namespace
