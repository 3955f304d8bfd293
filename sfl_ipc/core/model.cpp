#include "sfl_ipc/core/model.h"

#include <algorithm>
#include <cmath>

namespace sfl {

linear_model make_model(const model_params& params) {
    linear_model m;
    m.params = params;
    m.params.table_bits = std::clamp(params.table_bits, min_table_bits, max_table_bits);
    m.weights.assign(size_t{1} << m.params.table_bits, 0.0f);
    return m;
}

namespace {

double feature_value(const linear_model& model, size_t count) {
    return (model.params.normalize && count) ? 1.0 / std::sqrt(static_cast<double>(count)) : 1.0;
}

}  // namespace

double model_margin(const linear_model& model, const std::vector<uint32_t>& slots) {
    double sum = 0;
    const float* w = model.weights.data();
    for (uint32_t s : slots) sum += w[s];
    sum = model.bias + sum * feature_value(model, slots.size());
    return std::isfinite(sum) ? sum : 0.0;
}

bool model_learn(linear_model* model, const std::vector<uint32_t>& slots, bool spam) {
    double m = model_margin(*model, slots);
    bool wrong = spam ? m <= 0.0 : m > 0.0;
    if (!wrong && std::fabs(m) >= model->params.thick_margin) return false;
    double p = 1.0 / (1.0 + std::exp(-m));
    double g = model->params.learn_rate * ((spam ? 1.0 : 0.0) - p);
    float step = static_cast<float>(g * feature_value(*model, slots.size()));
    if (step == 0.0f) return false;
    float* w = model->weights.data();
    for (uint32_t s : slots) w[s] += step;
    model->bias += step;
    return true;
}

}  // namespace sfl
