// The classifier as the engine uses it: score a raw message on the user's 0..100 scale, learn from
// a label, count what it learned, explain a score, save and restore itself.
// Not thread-safe: the engine serialises calls (scratch buffers are reused between calls).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sfl_ipc/core/calibration.h"
#include "sfl_ipc/core/model.h"
#include "sfl_ipc/core/tokenizer.h"

namespace sfl {

struct classifier_params {
  tokenizer_params tokens;
  model_params model;
  calibration_params calibration;
};

// Index 0 counts good mail, index 1 spam.
struct learn_counters {
  uint64_t messages[2] = {0, 0};  // messages learned
  uint64_t tokens[2] = {0, 0};    // features seen in them, repeats included
  uint64_t marks[2] = {0, 0};     // of those, the ones the user marked
};

struct explained_feature {
  std::string name;
  float weight;
};

class classifier {
 public:
  explicit classifier(const classifier_params& params = classifier_params());

  // 0..100: the margin plus the prior shift of the learned mix; an untrained model and a message
  // without features give 50. `margin`, if given, receives the model's raw margin.
  int score(std::string_view raw, double* margin = nullptr);
  // The margin the scale adds for the mix of mail learned so far (see calibration.h).
  double prior_shift() const;
  // The model's raw margin (log-odds of spam); 0 when it has no opinion.
  double margin(std::string_view raw);
  // `user_mark`: the label comes from the user (as opposed to, say, learning from sent items).
  void learn(std::string_view raw, bool spam, bool user_mark);
  // The `limit` features of the message with the largest absolute weights, largest first.
  std::vector<explained_feature> explain(std::string_view raw, size_t limit);
  // The same gathered by what a reader recognises (see named_feature::source): each entry is a
  // header field, a body word or a word pair with the summed weight of its features, so that the
  // entries add up to the margin less the bias. Largest absolute sums first.
  std::vector<explained_feature> explain_sources(std::string_view raw, size_t limit);

  const learn_counters& counters() const { return counters_; }
  const classifier_params& params() const { return params_; }
  const linear_model& model() const { return model_; }

  // Whole state replaced at once, for loading a saved model.
  void restore(const classifier_params& params, linear_model model, const learn_counters& counters);

 private:
  void slots_of(std::string_view raw);
  // Weights of the message's features, each slot once (named by the first feature that lands on
  // it), by feature name or by source.
  std::vector<explained_feature> weighed(std::string_view raw, bool by_source);

  classifier_params params_;
  linear_model model_;
  learn_counters counters_;
  std::vector<uint32_t> hashes_;
  std::vector<uint32_t> slots_;
  std::vector<uint64_t> seen_;
};

}  // namespace sfl
