#include "sfl_ipc/core/calibration.h"

#include <cmath>

namespace sfl {

int score_from_margin(double margin, const calibration_params& params) {
    if (!std::isfinite(margin)) return 50;
    double z = margin < 0 ? params.ham_slope * margin : params.spam_slope * std::pow(margin, params.spam_power);
    long s = std::lround(100.0 / (1.0 + std::exp(-z)));
    return static_cast<int>(s < 0 ? 0 : (s > 100 ? 100 : s));
}

}  // namespace sfl
