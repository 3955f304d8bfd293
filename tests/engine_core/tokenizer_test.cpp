#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <string>
#include <string_view>

#include "sfl_ipc/core/tokenizer.h"

namespace {

constexpr char kGoldenMessage[] =
    "Subject: Win =?utf-8?Q?big?=\n"
    "\n"
    "<b>Free</b> $$$";

// Folds the ordered hashes into one number, so that any change of a hash or of the order shows.
uint32_t fold(const std::vector<uint32_t>& hashes) {
  uint32_t h = 2166136261u;
  for (uint32_t x : hashes) h = (h ^ x) * 16777619u;
  return h;
}

// The parameters of models saved before word pairs existed: their features must never change.
sfl::tokenizer_params without_pairs() {
  sfl::tokenizer_params p;
  p.body_pairs = false;
  p.received_pairs = false;
  return p;
}

// Pins the tokenizer: if this fails, the features changed, and kTokenizerVersion (and with it the
// model file) must be bumped before the expected values here are updated.
TEST(Tokenizer, GoldenMessage) {
  ASSERT_EQ(sfl::kTokenizerVersion, 5u);
  std::vector<sfl::named_feature> named;
  sfl::extract_named_features(kGoldenMessage, without_pairs(), &named);
  std::vector<std::string> names;
  std::vector<uint32_t> hashes;
  for (const auto& f : named) {
    names.push_back(f.name);
    hashes.push_back(f.hash);
  }
  const std::vector<std::string> want = {
      "h4g:subj",      "h4g:ubje",      "h4g:bjec",     "h4g:ject",     "h4g:ect:",
      "h4g:ct:\\x20",  "h4g:t:\\x20W",  "h4g::\\x20Wi", "h4g:\\x20Win", "h4g:Win\\x20",
      "h4g:in\\x20b",  "h4g:n\\x20bi",  "h4g:\\x20big",
      "h4g:big\\x0a",  // decoded header text: name in lower case, encoded-word decoded
      "b4g:<b>F",      "b4g:b>Fr",      "b4g:>Fre",     "b4g:Free",     "b4g:ree<",
      "b4g:ee</",      "b4g:e</b",      "b4g:</b>",     "b4g:/b>\\x20", "b4g:b>\\x20$",
      "b4g:>\\x20$$",  "b4g:\\x20$$$",                             // untyped body: no HTML stripping
      "h:subject:win", "h:subject:big", "b:free",       "b:$$$"};  // words case-folded
  EXPECT_EQ(names, want);
  EXPECT_EQ(fold(hashes), 769974491u) << "hash fold changed";

  std::vector<uint32_t> plain;
  sfl::extract_features(kGoldenMessage, without_pairs(), &plain);
  EXPECT_EQ(plain, hashes);  // the named and the plain paths agree
}

// Word pairs come on top of the features above, which keep their hashes and their order: a model
// trained without pairs reads the same features from the same message. Header pairs come from the
// Received trace only.
TEST(Tokenizer, GoldenMessageWithPairs) {
  std::vector<sfl::named_feature> named;
  sfl::extract_named_features("Received: from relay.example by mx\nSubject: Win big prize\n\nFree $$$ now",
                              sfl::tokenizer_params(), &named);
  std::vector<std::string> names;
  for (const auto& f : named)
    if (f.name.compare(0, 2, "hp") == 0 || f.name.compare(0, 2, "p:") == 0)
      names.push_back(f.name + " <- " + f.source);
  const std::vector<std::string> want = {
      "hp:received:from+relay.example <- received: from relay.example by mx",
      "hp:received:relay.example+by <- received: from relay.example by mx",
      "hp2:received:from+by <- received: from relay.example by mx",
      "hp:received:by+mx <- received: from relay.example by mx",
      "hp2:received:relay.example+mx <- received: from relay.example by mx",
      "p:free+$$$ <- free $$$",
      "p:$$$+now <- $$$ now",
  };
  EXPECT_EQ(names, want);

  std::vector<sfl::named_feature> old_named, with;
  sfl::extract_named_features(kGoldenMessage, without_pairs(), &old_named);
  sfl::extract_named_features(kGoldenMessage, sfl::tokenizer_params(), &with);
  std::vector<uint32_t> kept, old_hashes;
  for (const auto& f : with)
    if (f.name.compare(0, 2, "p:") != 0) kept.push_back(f.hash);
  for (const auto& f : old_named) old_hashes.push_back(f.hash);
  EXPECT_EQ(kept, old_hashes);
  EXPECT_EQ(with.size(), old_named.size() + 1);  // "free+$$$"; the subject gives no pairs
}

// The same for a MIME message, so that a change of decoding (transfer encodings, HTML) shows too.
TEST(Tokenizer, GoldenMimeMessage) {
  const char* raw =
      "Content-Type: multipart/alternative; boundary=b\n\n"
      "--b\nContent-Type: text/html\nContent-Transfer-Encoding: quoted-printable\n\n"
      "<p>Cl=69ck <a href=3D\"http://x.example/?id=3D1\">here</a> &amp; <b>win</b></p>\n"
      "--b\nContent-Type: text/plain\nContent-Transfer-Encoding: base64\n\nQnV5IE5PVw==\n--b--\n";
  std::vector<uint32_t> hashes;
  sfl::extract_features(raw, without_pairs(), &hashes);
  EXPECT_EQ(hashes.size(), 107u);
  EXPECT_EQ(fold(hashes), 1833037523u) << "hash fold changed";
}

std::vector<std::string> names_with_prefix(std::string_view raw, std::string_view prefix) {
  std::vector<sfl::named_feature> named;
  sfl::extract_named_features(raw, sfl::tokenizer_params(), &named);
  std::vector<std::string> out;
  for (const auto& f : named)
    if (f.name.compare(0, prefix.size(), prefix) == 0) out.push_back(f.name);
  return out;
}

// Fields stamped on the way (relays, mailing lists) give no header 4-grams, but their words count.
TEST(Tokenizer, TransitFieldsGiveWordsButNoHeaderGrams) {
  struct row {
    const char* field;
    bool transit;
  };
  const row rows[] = {
      {"Received", true},     {"List-Id", true},           {"List-Unsubscribe", true},
      {"X-BeenThere", true},  {"X-Mailman-Version", true}, {"Precedence", true},
      {"Sender", true},       {"Errors-To", true},         {"X-Loop", true},
      {"Mailing-List", true}, {"Reply-To", false},         {"X-Mailer", false},
      {"Listing", false},
  };
  const std::string rest = "Subject: hi there\n\nbody text\n";
  const std::vector<std::string> plain_grams = names_with_prefix(rest, "h4g:");
  for (size_t i = 0; i < std::size(rows); ++i) {
    std::string raw = std::string(rows[i].field) + ": zqzq\n" + rest;
    std::vector<std::string> grams = names_with_prefix(raw, "h4g:");
    EXPECT_EQ(grams == plain_grams, rows[i].transit) << "row " << i << " " << rows[i].field;
    std::string word = "h:";
    for (const char* c = rows[i].field; *c; ++c) word += static_cast<char>(std::tolower(*c));
    EXPECT_EQ(names_with_prefix(raw, word + ":zqzq").size(), 1u) << "row " << i << " " << rows[i].field;
  }
}

TEST(Tokenizer, FeatureSourcesFollowParameters) {
  sfl::tokenizer_params p;
  p.raw_prefix = 6;  // "Subjec": 3 grams
  p.header_prefix = 0;
  p.body_prefix = 0;
  p.header_words = false;
  p.body_words = false;
  std::vector<uint32_t> h;
  sfl::extract_features(kGoldenMessage, p, &h);
  EXPECT_EQ(h.size(), 3u);
  p.raw_prefix = 0;
  p.body_words = true;
  std::vector<sfl::named_feature> named;
  sfl::extract_named_features(kGoldenMessage, p, &named);
  ASSERT_EQ(named.size(), 3u);  // "Free", "$$$", and their pair
  EXPECT_EQ(named[0].name, "b:free");
  EXPECT_EQ(named[1].name, "b:$$$");
  EXPECT_EQ(named[2].name, "p:free+$$$");
  p.body_pairs = false;
  sfl::extract_named_features(kGoldenMessage, p, &named);
  EXPECT_EQ(named.size(), 2u);
  p.header_words = true;  // "Received: from a.example by b": three words, two pairs, one gap pair
  const std::string traced = std::string("Received: from a.example by b\n") + kGoldenMessage;
  sfl::extract_named_features(traced, p, &named);
  EXPECT_EQ(named.size(), 2u + 2u + 3u + 3u);  // body words, subject words, Received words and pairs
  p.received_pairs = false;
  sfl::extract_named_features(traced, p, &named);
  EXPECT_EQ(named.size(), 7u);
  sfl::extract_features("", sfl::tokenizer_params(), &h);
  EXPECT_TRUE(h.empty());
}

}  // namespace
