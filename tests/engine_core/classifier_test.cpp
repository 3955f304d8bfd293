#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include "sfl_ipc/core/calibration.h"
#include "sfl_ipc/core/classifier.h"

namespace {

std::string spam_message(int i) {
  return "From: deals" + std::to_string(i) +
         "@cheap-pills.example\nSubject: CHEAP PILLS buy now\n\n"
         "<html>Amazing offer!!! Click http://cheap-pills.example/buy now, limited viagra discount "
         "$$$</html>\n";
}

std::string ham_message(int i) {
  return "From: alice@work.example\nSubject: meeting notes " + std::to_string(i) +
         "\n\n"
         "Hi Bob, attached are the notes from Tuesday's design review. Let's discuss the parser tomorrow.\n";
}

TEST(Classifier, UntrainedAndEmptyScoreMiddle) {
  sfl::classifier c;
  EXPECT_EQ(c.score(spam_message(0)), 50);
  EXPECT_EQ(c.score(""), 50);
  for (int i = 0; i < 5; ++i) c.learn(spam_message(i), true, true);
  EXPECT_EQ(c.score(""), 50);   // no features: no opinion, whatever was learned
  EXPECT_EQ(c.score("a"), 50);  // too short for any 4-gram or word
}

TEST(Classifier, LearningSeparatesClassesAndCounts) {
  sfl::classifier c;
  for (int i = 0; i < 10; ++i) {
    c.learn(spam_message(i), true, true);
    c.learn(ham_message(i), false, i % 2 == 0);
  }
  // Learning stops at the thick threshold, so both land well clear of the middle, not at the ends.
  EXPECT_GT(c.score(spam_message(100)), 75);
  EXPECT_LT(c.score(ham_message(100)), 25);
  const sfl::learn_counters& k = c.counters();
  EXPECT_EQ(k.messages[1], 10u);
  EXPECT_EQ(k.messages[0], 10u);
  EXPECT_EQ(k.marks[1], 10u);
  EXPECT_EQ(k.marks[0], 5u);
  EXPECT_GT(k.tokens[1], 10 * 100u);
  EXPECT_GT(k.tokens[0], 10 * 100u);

  // One mark the other way moves that message's score towards the new label.
  int before = c.score(ham_message(7));
  c.learn(ham_message(7), true, true);
  EXPECT_GT(c.score(ham_message(7)), before);
}

TEST(Classifier, ExplainListsHeaviestFeaturesByName) {
  sfl::classifier c;
  for (int i = 0; i < 10; ++i) {
    c.learn(spam_message(i), true, true);
    c.learn(ham_message(i), false, true);
  }
  std::vector<sfl::explained_feature> top = c.explain(spam_message(100), 10);
  ASSERT_EQ(top.size(), 10u);
  for (size_t i = 1; i < top.size(); ++i)
    EXPECT_GE(std::fabs(top[i - 1].weight), std::fabs(top[i].weight)) << "row " << i;
  EXPECT_GT(top[0].weight, 0.0f);  // the heaviest features of a spam push towards spam
  bool named_word = false;
  for (const auto& f : c.explain(spam_message(100), 100000))
    named_word |= f.name == "h:subject:pills" && f.weight > 0;
  EXPECT_TRUE(named_word);
  EXPECT_TRUE(c.explain("", 10).empty());
}

TEST(Classifier, ExplainSourcesGathersFragmentsIntoFieldsAndWords) {
  sfl::classifier c;
  for (int i = 0; i < 10; ++i) {
    c.learn(spam_message(i), true, true);
    c.learn(ham_message(i), false, true);
  }
  const std::string probe = spam_message(100);
  std::vector<sfl::explained_feature> all = c.explain_sources(probe, 100000);
  // every slot counted once, under one source: the sources add up to the margin less the bias
  double sum = 0;
  for (const auto& e : all) sum += e.weight;
  EXPECT_NEAR(sum, c.margin(probe) - c.model().bias, 1e-3);
  auto find = [&](const std::string& name) -> const sfl::explained_feature* {
    for (const auto& e : all)
      if (e.name == name) return &e;
    return nullptr;
  };
  const sfl::explained_feature* subject = find("subject: CHEAP PILLS buy now");
  ASSERT_NE(subject, nullptr);
  EXPECT_GT(subject->weight, 0.0f);
  // the field's words and 4-grams together outweigh any one of its features
  float heaviest_subject_feature = 0;
  for (const auto& f : c.explain(probe, 100000))
    if (f.name.compare(0, 10, "h:subject:") == 0)
      heaviest_subject_feature = std::max(heaviest_subject_feature, std::fabs(f.weight));
  EXPECT_GT(subject->weight, heaviest_subject_feature);
  // body words case folded, the 4-grams inside a word gathered into it
  const sfl::explained_feature* offer = find("amazing");
  ASSERT_NE(offer, nullptr);
  EXPECT_GT(offer->weight, 0.0f);
  for (const auto& e : all) {
    EXPECT_EQ(e.name.find("b4g:"), std::string::npos) << e.name;
    EXPECT_EQ(e.name.find("h4g:"), std::string::npos) << e.name;
  }
  bool from_pulls_good = false;
  for (const auto& e : c.explain_sources(ham_message(100), 100000))
    from_pulls_good |= e.name == "from: alice@work.example" && e.weight < 0;
  EXPECT_TRUE(from_pulls_good);
  // a long header value is cut short
  std::string long_subject = "Subject: " + std::string(200, 'x') + "\n\nbody text here";
  bool cut = false;
  for (const auto& e : c.explain_sources(long_subject, 100000))
    cut |= e.name == "subject: " + std::string(60, 'x') + "...";
  EXPECT_TRUE(cut);
  // a folded field reads as one line: its break and tab show as one space
  bool unfolded = false;
  for (const auto& e : c.explain_sources("Received: from a.example\r\n\tby  b.example\r\n\r\nhi", 100000))
    unfolded |= e.name == "received: from a.example by b.example";
  EXPECT_TRUE(unfolded);
  EXPECT_TRUE(c.explain_sources("", 10).empty());
}

TEST(Calibration, PriorShiftGrowsWithTheGoodToSpamMixAndIsBounded) {
  sfl::calibration_params p;  // weight 3, free ratio 2.2, at most 3
  struct row {
    uint64_t good, spam;
    double want;
  };
  const row rows[] = {
      {0, 0, 0.0},
      {1000, 1000, 0.0},
      {1, 1000, 0.0},                                     // balanced or spam-heavy: none
      {21, 9, 0.0},                                       // 2.2:1 exactly: none
      {2750, 500, 3.0 * std::log(2751.0 / 501.0 / 2.2)},  // 5.5:1
      {1000000, 0, 3.0},                                  // capped
  };
  for (size_t i = 0; i < std::size(rows); ++i)
    EXPECT_NEAR(sfl::prior_shift(rows[i].good, rows[i].spam, p), rows[i].want, 1e-4) << "row " << i;
  p.prior_weight = 0;
  EXPECT_EQ(sfl::prior_shift(1000000, 0, p), 0.0);
}

// Two classifiers learn the same good-heavy mix; only one corrects for it. The correcting one must score
// the same spam higher, and the same good mail no lower, by a bounded step; a balanced mix gets none.
TEST(Classifier, GoodHeavyMixRaisesScoresOnlyWhenTheCorrectionIsOn) {
  sfl::classifier_params plain;
  plain.calibration.prior_weight = 0;
  sfl::classifier corrected, uncorrected(plain);
  for (int i = 0; i < 30; ++i) {
    corrected.learn(ham_message(i), false, true);
    uncorrected.learn(ham_message(i), false, true);
  }
  corrected.learn(spam_message(0), true, true);
  uncorrected.learn(spam_message(0), true, true);
  const std::string spam = spam_message(1), good = ham_message(99);
  ASSERT_EQ(corrected.margin(spam), uncorrected.margin(spam));  // same model, only the scale differs
  EXPECT_GT(corrected.score(spam), uncorrected.score(spam));
  EXPECT_GE(corrected.score(good), uncorrected.score(good));
  // The shift is at most max_prior_shift on the margin: a bounded move, never to the top of the scale
  // from the middle.
  EXPECT_LE(corrected.score(spam) - uncorrected.score(spam), 40);
  EXPECT_EQ(corrected.score(""), 50);  // no features: still no opinion

  sfl::classifier balanced, balanced_plain(plain);
  for (int i = 0; i < 10; ++i)
    for (sfl::classifier* c : {&balanced, &balanced_plain}) {
      c->learn(ham_message(i), false, true);
      c->learn(spam_message(i), true, true);
    }
  EXPECT_EQ(balanced.score(spam), balanced_plain.score(spam));
  EXPECT_EQ(balanced.score(good), balanced_plain.score(good));
}

TEST(Calibration, MonotoneThroughTheMiddle) {
  sfl::calibration_params p;
  EXPECT_EQ(sfl::score_from_margin(0.0, p), 50);
  EXPECT_EQ(sfl::score_from_margin(NAN, p), 50);
  EXPECT_EQ(sfl::score_from_margin(INFINITY, p), 50);
  EXPECT_EQ(sfl::score_from_margin(-1e300, p), 0);
  EXPECT_EQ(sfl::score_from_margin(1e300, p), 100);
  int prev = 0;
  int distinct = 0;
  // Spam margins reach far past good mail's (the scale's top is spread over margins 4 to 80).
  for (double m = -20; m <= 80; m += 0.01) {
    int s = sfl::score_from_margin(m, p);
    EXPECT_GE(s, prev) << "margin " << m;
    distinct += s != prev;
    prev = s;
  }
  EXPECT_GE(distinct, 95);  // resolution kept across the range
}

}  // namespace
