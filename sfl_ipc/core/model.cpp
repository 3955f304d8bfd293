#include "sfl_ipc/core/model.h"

#include <algorithm>
#include <cmath>

namespace sfl {

linear_model make_model(const model_params& params) {
  linear_model m;
  m.params = params;
  m.params.table_bits = std::clamp(params.table_bits, kMinTableBits, kMaxTableBits);
  m.params.max_steps = std::clamp(params.max_steps, uint32_t{1}, kMaxLearnSteps);
  m.weights.assign(size_t{1} << m.params.table_bits, 0.0f);
  m.grad_sq.assign(m.weights.size(), 0.0f);
  return m;
}

double model_margin(const linear_model& model, const std::vector<uint32_t>& slots) {
  double sum = model.bias;
  const float* w = model.weights.data();
  for (uint32_t s : slots) sum += w[s];
  return std::isfinite(sum) ? sum : 0.0;
}

namespace {

bool learn_step(linear_model* model, const std::vector<uint32_t>& slots, bool spam) {
  const model_params& p = model->params;
  double m = model_margin(*model, slots);
  bool wrong = spam ? m <= 0.0 : m > 0.0;
  if (!wrong && std::fabs(m) >= p.thick_margin) return false;
  double g = (spam ? 1.0 : 0.0) - 1.0 / (1.0 + std::exp(-m));
  if (g == 0.0) return false;
  float* w = model->weights.data();
  float* a = model->grad_sq.data();
  for (uint32_t s : slots) {
    a[s] += static_cast<float>(g * g);
    w[s] += static_cast<float>(p.learn_rate * g / std::sqrt(a[s] + p.adaptive_floor));
  }
  // The bias is one more always-present feature, but with a fixed rate: it tracks the class mix.
  model->bias += static_cast<float>(p.learn_rate * g);
  return true;
}

}  // namespace

bool model_learn(linear_model* model, const std::vector<uint32_t>& slots, bool spam) {
  bool changed = false;
  for (uint32_t step = 0; step < model->params.max_steps; ++step) {
    if (!learn_step(model, slots, spam)) break;
    changed = true;
  }
  return changed;
}

}  // namespace sfl
