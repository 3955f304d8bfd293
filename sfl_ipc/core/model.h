// Online logistic regression over binary features held in a hashed weight table.
// The margin is bias + sum of the weights of the present slots; the model's spam probability is
// sigmoid(margin). Learning is a gradient step on the log loss, taken only when the message was
// misjudged or its margin lies inside `thick_margin` (a thick threshold: confident, correct
// messages teach little and would push weights towards overconfidence).
#pragma once

#include <cstdint>
#include <vector>

namespace sfl {

struct model_params {
    uint32_t table_bits = 20;
    float learn_rate = 0.02f;
    float thick_margin = 1e9f;  // huge: train on everything
    bool normalize = false;     // scale each message's features by 1/sqrt(count)
};

constexpr uint32_t min_table_bits = 12;
constexpr uint32_t max_table_bits = 24;

struct linear_model {
    model_params params;
    float bias = 0.0f;
    std::vector<float> weights;  // 2^table_bits entries
};

// A zeroed model; table_bits is clamped to [min_table_bits, max_table_bits].
linear_model make_model(const model_params& params);

// Margin of a message given its sorted distinct slots. Non-finite sums give 0 (no opinion).
double model_margin(const linear_model& model, const std::vector<uint32_t>& slots);

// One online step towards the gold label; returns whether the weights changed.
bool model_learn(linear_model* model, const std::vector<uint32_t>& slots, bool spam);

}  // namespace sfl
