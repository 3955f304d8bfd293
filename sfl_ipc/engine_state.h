// What the engine knows and does, apart from files and threads: the classifier, the user's white and
// black lists, and the option of learning from sent items. Scores are on the user's 0..100 scale.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "sfl_ipc/core/classifier.h"
#include "sfl_ipc/lists/rule_match.h"

namespace sfl {

struct engine_result {
  int score = 50;
  list_verdict list = list_verdict::none;
  std::string rule;  // the list rule that decided, if one did
};

class engine_state {
 public:
  static constexpr int kWhiteScore = 0;
  static constexpr int kBlackScore = 100;
  // Messages of each class the model should have seen before its scores are worth trusting.
  static constexpr uint64_t kTrustedPerClass = 20;

  engine_result score(std::string_view raw);
  void learn(std::string_view raw, bool spam, bool user_mark);
  // Why the message scores as it does: the deciding list rule, or what weighed most: the header
  // fields, words and phrases, or with `features` the model's own features.
  std::string explain(std::string_view raw, size_t limit, bool features);
  bool trusted() const;

  classifier& model() { return classifier_; }
  const classifier& model() const { return classifier_; }
  rule_lists& lists() { return lists_; }
  bool learn_from_sent() const { return learn_from_sent_; }
  void set_learn_from_sent(bool on) { learn_from_sent_ = on; }

 private:
  classifier classifier_;
  rule_lists lists_;
  bool learn_from_sent_ = false;
};

}  // namespace sfl
