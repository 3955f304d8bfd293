// Maps a model margin to the user's integer scale 0..100 (>= 85 spam, 75..84 probable spam).
// The map is monotone and passes through (0, 50): a model with no opinion scores in the middle.
// Below 0: z = ham_slope * margin. Above 0: z = spam_slope * margin^spam_power, a power below 1
// widening the probable-spam band, so that most spam clears 75 while good mail with a spammy
// look stays below 85. Score = round(100 * sigmoid(z)); the slopes keep resolution across the
// range, so that few messages of different classes share one integer.
#pragma once

namespace sfl {

struct calibration_params {
    float ham_slope = 0.4f;
    float spam_slope = 0.97f;
    float spam_power = 0.55f;
};

// A non-finite margin gives 50.
int score_from_margin(double margin, const calibration_params& params);

}  // namespace sfl
