#include "sfl_ipc/engine_state.h"

#include <cstdio>

namespace sfl {

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

void engine_state::learn(std::string_view raw, bool spam, bool user_mark) { classifier_.learn(raw, spam, user_mark); }

bool engine_state::trusted() const {
  const learn_counters& c = classifier_.counters();
  return c.messages[0] >= kTrustedPerClass && c.messages[1] >= kTrustedPerClass;
}

std::string engine_state::explain(std::string_view raw, size_t limit) {
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
  for (const explained_feature& f : classifier_.explain(raw, limit)) {
    if (f.weight == 0) continue;  // an untrained feature tells nothing
    std::snprintf(line, sizeof(line), "%+8.3f  ", static_cast<double>(f.weight));
    out += line + f.name + "\n";
  }
  return out;
}

}  // namespace sfl
