#include "sfl_ipc/engine_state.h"

#include <cstdio>
#include <vector>

namespace sfl {

namespace {

constexpr size_t kExplainPool = 400;

// The first `count` features of one sign, in the order given (largest weight first).
void append_features(const std::vector<explained_feature>& all, size_t count, bool positive,
                     std::string* out) {
  char line[64];
  for (const explained_feature& f : all) {
    if (count == 0) break;
    if (f.weight == 0 || (f.weight > 0) != positive) continue;
    std::snprintf(line, sizeof(line), "  %+8.3f  ", static_cast<double>(f.weight));
    *out += line + f.name + "\n";
    --count;
  }
}

}  // namespace

engine_result engine_state::score(std::string_view raw) {
  engine_result r;
  if (lists_.white_rules() || lists_.black_rules()) {
    parsed_message m = parse_message(raw);
    r.list = lists_.classify(m, &r.rule);
    if (r.list == list_verdict::white) r.score = kWhiteScore;
    if (r.list == list_verdict::black) r.score = kBlackScore;
    if (r.list != list_verdict::none) return r;
  }
  r.score = classifier_.score(raw);
  return r;
}

void engine_state::learn(std::string_view raw, bool spam, bool user_mark) {
  classifier_.learn(raw, spam, user_mark);
}

bool engine_state::trusted() const {
  const learn_counters& c = classifier_.counters();
  return c.messages[0] >= kTrustedPerClass && c.messages[1] >= kTrustedPerClass;
}

std::string engine_state::explain(std::string_view raw, size_t limit, bool features) {
  engine_result r = score(raw);
  char line[256];
  std::snprintf(line, sizeof(line), "score %d\n", r.score);
  std::string out = line;
  if (r.list != list_verdict::none) {
    out += r.list == list_verdict::white ? "white list rule: " : "black list rule: ";
    out += r.rule + "\n";
    return out;
  }
  std::snprintf(line, sizeof(line), "margin %.3f (log-odds of spam)\n", classifier_.margin(raw));
  out += line;
  // Half of the lines for what pulls most towards spam, half towards good mail.
  std::vector<explained_feature> all =
      features ? classifier_.explain(raw, kExplainPool) : classifier_.explain_sources(raw, kExplainPool);
  size_t half = (limit + 1) / 2;
  out += "towards spam:\n";
  append_features(all, half, true, &out);
  out += "towards good mail:\n";
  append_features(all, limit - half, false, &out);
  return out;
}

}  // namespace sfl
