// Maps a model margin to the user's integer scale 0..100 (>= 85 spam, 75..84 probable spam).
// The map is monotone and passes through (0, 50): a model with no opinion scores in the middle.
// Below 0: z = ham_slope * margin. From 0 to spam_knee: z = spam_slope * margin^spam_power, a
// power below 1 widening the probable-spam band: 75 at margin 1.2, 85 at margin 4.0 (the knee).
// Newsletters and other good mail with a spammy look reach margins up to about 3.9 even late in a
// stream, so 85 sits above them; the price is more spam in 75..84 (measured over 7 shuffles: no
// good mail at 85, spam below 75 unchanged, spam below 85 from 12% to 24%). Past the knee z grows
// by spam_tail_slope per unit of margin, so that spam keeps using 85..100 instead of crowding
// just above 85. Score = round(100 * sigmoid(z)); the slopes keep resolution across the range, so
// that few messages of different classes share one integer.
// A model that learned much more good mail than spam gives new spam low margins: the scale corrects
// for that mix by adding prior_weight * ln(good / spam learned / prior_free_ratio) to the margin,
// at most max_prior_shift, never less than 0 (measured: trained on 15% spam, spam below 75 falls
// from 45% to 16% and no good mail rises to 85; mixes up to 2.2:1 keep their scores).
#pragma once

#include <cstdint>

namespace sfl {

struct calibration_params {
    float ham_slope = 0.4f;
    float spam_slope = 1.0f;
    float spam_power = 0.38f;
    float spam_knee = 4.0f;        // margin where the power law hands over to the tail
    float spam_tail_slope = 0.3f;
    float prior_weight = 2.0f;
    float prior_free_ratio = 2.2f;  // good:spam mix that needs no correction
    float max_prior_shift = 2.0f;
};

// A non-finite margin gives 50.
int score_from_margin(double margin, const calibration_params& params);

// The margin added for a model that learned `good` and `spam` messages; 0 for mixes up to
// prior_free_ratio, at most max_prior_shift.
double prior_shift(uint64_t good, uint64_t spam, const calibration_params& params);

}  // namespace sfl
