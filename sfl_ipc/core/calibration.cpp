#include "sfl_ipc/core/calibration.h"

#include <cmath>

namespace sfl {

int score_from_margin(double margin, const calibration_params& params) {
  if (!std::isfinite(margin)) return 50;
  double z = margin < 0 ? params.ham_slope * margin : params.spam_slope * std::pow(margin, params.spam_power);
  long s = std::lround(100.0 / (1.0 + std::exp(-z)));
  return static_cast<int>(s < 0 ? 0 : (s > 100 ? 100 : s));
}

double prior_shift(uint64_t good, uint64_t spam, const calibration_params& params) {
  // One message of each class added: a model that has learned no spam yet gets a bounded shift.
  double ratio = (static_cast<double>(good) + 1.0) / (static_cast<double>(spam) + 1.0);
  double shift = params.prior_weight * std::log(ratio / params.prior_free_ratio);
  return shift > 0 ? (shift < params.max_prior_shift ? shift : params.max_prior_shift) : 0.0;
}

}  // namespace sfl
