#include "sfl_ipc/core/classifier.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "sfl_ipc/core/features.h"

namespace sfl {

classifier::classifier(const classifier_params& params) : params_(params), model_(make_model(params.model)) {
  params_.model = model_.params;  // after clamping
}

void classifier::slots_of(std::string_view raw) {
  extract_features(raw, params_.tokens, &hashes_);
  feature_slots(hashes_, model_.params.table_bits, &seen_, &slots_);
}

double classifier::margin(std::string_view raw) {
  slots_of(raw);
  if (slots_.empty()) return 0.0;  // nothing to judge by: no opinion, not the bias alone
  return model_margin(model_, slots_);
}

double classifier::prior_shift() const {
  return sfl::prior_shift(counters_.messages[0], counters_.messages[1], params_.calibration);
}

int classifier::score(std::string_view raw, double* margin_out) {
  double m = margin(raw);
  if (margin_out) *margin_out = m;
  if (slots_.empty()) return 50;  // no features: no opinion, whatever the mix learned
  return score_from_margin(m + prior_shift(), params_.calibration);
}

void classifier::learn(std::string_view raw, bool spam, bool user_mark) {
  slots_of(raw);
  int c = spam ? 1 : 0;
  ++counters_.messages[c];
  counters_.tokens[c] += hashes_.size();
  if (user_mark) ++counters_.marks[c];
  if (!slots_.empty()) model_learn(&model_, slots_, spam);
}

std::vector<explained_feature> classifier::weighed(std::string_view raw, bool by_source) {
  std::vector<named_feature> named;
  extract_named_features(raw, params_.tokens, &named);
  std::unordered_map<uint32_t, bool> slots_seen;
  std::unordered_map<std::string, size_t> entry;
  std::vector<explained_feature> out;
  for (named_feature& f : named) {
    uint32_t s = slot_of(f.hash, model_.params.table_bits);
    if (!slots_seen.emplace(s, true).second) continue;  // binary presence: a slot counts once
    std::string& key = by_source ? f.source : f.name;
    auto [at, fresh] = entry.emplace(key, out.size());
    if (fresh) out.push_back(explained_feature{std::move(key), 0.0f});
    out[at->second].weight += model_.weights[s];
  }
  return out;
}

namespace {

std::vector<explained_feature> heaviest(std::vector<explained_feature> all, size_t limit) {
  size_t n = std::min(limit, all.size());
  std::partial_sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n), all.end(),
                    [](const explained_feature& a, const explained_feature& b) {
                      return std::fabs(a.weight) > std::fabs(b.weight);
                    });
  all.resize(n);
  return all;
}

}  // namespace

std::vector<explained_feature> classifier::explain(std::string_view raw, size_t limit) {
  return heaviest(weighed(raw, false), limit);
}

std::vector<explained_feature> classifier::explain_sources(std::string_view raw, size_t limit) {
  return heaviest(weighed(raw, true), limit);
}

void classifier::restore(const classifier_params& params, linear_model model,
                         const learn_counters& counters) {
  params_ = params;
  model_ = std::move(model);
  params_.model = model_.params;
  counters_ = counters;
}

}  // namespace sfl
