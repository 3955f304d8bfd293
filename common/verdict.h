// The three verdicts on a message and the rule that sorts a score into them by the two thresholds of
// "antispam.ini"; the plug-in counts them, the host program reports them.
#pragma once

enum verdict : int { kVerdictSpam = 0, kVerdictProbableSpam = 1, kVerdictGood = 2 };
constexpr int kVerdictCount = 3;

// The thresholds when "antispam.ini" does not set them: spam from 85, probable spam from 75.
constexpr int kDefaultSpamThreshold = 85;
constexpr int kDefaultUnsureThreshold = 75;

// No score (-1) and 0 are good whatever the thresholds say.
inline verdict classify_score(int score, int spam_threshold, int unsure_threshold) {
  if (score < 1 || score < unsure_threshold) return kVerdictGood;
  if (score < spam_threshold) return kVerdictProbableSpam;
  return kVerdictSpam;
}
