// Maps a model margin to the user's integer scale 0..100 (>= 85 spam, 75..84 probable spam).
// The map is monotone and passes through (0, 50): a model with no opinion scores in the middle.
// Negative and positive margins have separate slopes, so the spam side can be made more cautious
// (a good message above 85 costs the user more than a spam below 75) while keeping resolution, so
// that few messages of different classes share one integer.
#pragma once

namespace sfl {

struct calibration_params {
    float ham_slope = 0.5f;   // per unit of margin below 0
    float spam_slope = 0.5f;  // per unit of margin above 0
};

// round(100 * sigmoid(slope * margin)); a non-finite margin gives 50.
int score_from_margin(double margin, const calibration_params& params);

}  // namespace sfl
