#include <gtest/gtest.h>

#include <string>

#include "sfl_ipc/core/tokenizer.h"

namespace {

constexpr char golden_message[] =
    "Subject: Win =?utf-8?Q?big?=\n"
    "\n"
    "<b>Free</b> $$$";

// Folds the ordered hashes into one number, so that any change of a hash or of the order shows.
uint32_t fold(const std::vector<uint32_t>& hashes) {
    uint32_t h = 2166136261u;
    for (uint32_t x : hashes) h = (h ^ x) * 16777619u;
    return h;
}

// Pins the tokenizer: if this fails, the features changed, and tokenizer_version (and with it the
// model file) must be bumped before the expected values here are updated.
TEST(Tokenizer, GoldenMessage) {
    ASSERT_EQ(sfl::tokenizer_version, 1u);
    std::vector<sfl::named_feature> named;
    sfl::extract_named_features(golden_message, sfl::tokenizer_params(), &named);
    std::vector<std::string> names;
    std::vector<uint32_t> hashes;
    for (const auto& f : named) {
        names.push_back(f.name);
        hashes.push_back(f.hash);
    }
    const std::vector<std::string> want = {
        "4g:Subj", "4g:ubje", "4g:bjec", "4g:ject", "4g:ect:", "4g:ct:\\x20", "4g:t:\\x20W", "4g::\\x20Wi",
        "4g:\\x20Win", "4g:Win\\x20", "4g:in\\x20=", "4g:n\\x20=?", "4g:\\x20=?u", "4g:=?ut", "4g:?utf",
        "4g:utf-", "4g:tf-8", "4g:f-8?", "4g:-8?Q", "4g:8?Q?", "4g:?Q?b", "4g:Q?bi", "4g:?big", "4g:big?",
        "4g:ig?=", "4g:g?=\\x0a", "4g:?=\\x0a\\x0a", "4g:=\\x0a\\x0a<", "4g:\\x0a\\x0a<b", "4g:\\x0a<b>",
        "4g:<b>F", "4g:b>Fr", "4g:>Fre", "4g:Free", "4g:ree<", "4g:ee</", "4g:e</b", "4g:</b>", "4g:/b>\\x20",
        "4g:b>\\x20$", "4g:>\\x20$$", "4g:\\x20$$$",
        "b4g:<b>F", "b4g:b>Fr", "b4g:>Fre", "b4g:Free", "b4g:ree<", "b4g:ee</", "b4g:e</b", "b4g:</b>",
        "b4g:/b>\\x20", "b4g:b>\\x20$", "b4g:>\\x20$$", "b4g:\\x20$$$",
        "h:subject:Win", "h:subject:big"};
    EXPECT_EQ(names, want);
    EXPECT_EQ(fold(hashes), 740862585u) << "hash fold changed";

    std::vector<uint32_t> plain;
    sfl::extract_features(golden_message, sfl::tokenizer_params(), &plain);
    EXPECT_EQ(plain, hashes);  // the named and the plain paths agree
}

TEST(Tokenizer, FeatureSourcesFollowParameters) {
    sfl::tokenizer_params p;
    p.raw_prefix = 6;  // "Subjec": 3 grams
    p.body_prefix = 0;
    p.header_words = false;
    std::vector<uint32_t> h;
    sfl::extract_features(golden_message, p, &h);
    EXPECT_EQ(h.size(), 3u);
    p.raw_prefix = 0;
    p.body_words = true;
    p.body_pairs = true;
    std::vector<sfl::named_feature> named;
    sfl::extract_named_features(golden_message, p, &named);
    ASSERT_EQ(named.size(), 3u);  // "Free", "$$$", and their pair
    EXPECT_EQ(named[0].name, "b:Free");
    EXPECT_EQ(named[1].name, "b:$$$");
    EXPECT_EQ(named[2].name, "p:Free+$$$");
    sfl::extract_features("", sfl::tokenizer_params(), &h);
    EXPECT_TRUE(h.empty());
}

}  // namespace
