// Online logistic regression over binary features held in a hashed weight table.
// The margin is bias + sum of the weights of the present slots; the model's spam probability is
// sigmoid(margin). Learning is a gradient step on the log loss. Steps are per slot and adaptive
// (AdaGrad): a slot's step shrinks with the squared gradients it has taken, so features seen in
// many messages settle while rare ones still move fast (measured: better than one global rate).
// A thick threshold skips messages judged right with |margin| >= thick_margin: confident, correct
// messages teach little and would pull the weights towards the bulk of the mail seen (measured:
// much better on mail from a later period, about the same on a mixed stream). A message inside
// the threshold is stepped on until it clears it, at most max_steps times (measured: better on both).
#pragma once

#include <cstdint>
#include <vector>

namespace sfl {

struct model_params {
  uint32_t table_bits = 20;
  float learn_rate = 0.01f;  // with the shorter body prefix, better than 0.008 (0.064 -> 0.061)
  // Added to a slot's squared-gradient sum: bounds its first step. Small, so that a new feature's
  // first step is the full rate however small its gradient (0.01 -> 0.0003: 0.061 -> 0.056).
  float adaptive_floor = 0.0003f;
  float thick_margin = 4.5f;  // learn only when wrong or |margin| below this
  uint32_t max_steps = 5;     // steps on one message at most
};

constexpr uint32_t kMinTableBits = 12;
constexpr uint32_t kMaxTableBits = 24;
constexpr uint32_t kMaxLearnSteps = 100;

struct linear_model {
  model_params params;
  float bias = 0.0f;
  std::vector<float> weights;  // 2^table_bits entries
  std::vector<float> grad_sq;  // per slot: sum of its squared gradients
};

// A zeroed model; table_bits is clamped to [kMinTableBits, kMaxTableBits], max_steps to
// [1, kMaxLearnSteps].
linear_model make_model(const model_params& params);

// Margin of a message given its distinct slots. Non-finite sums give 0 (no opinion).
double model_margin(const linear_model& model, const std::vector<uint32_t>& slots);

// Online steps towards the gold label; returns whether the weights changed.
bool model_learn(linear_model* model, const std::vector<uint32_t>& slots, bool spam);

}  // namespace sfl
