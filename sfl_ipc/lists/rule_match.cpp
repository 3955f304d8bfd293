#include "sfl_ipc/lists/rule_match.h"

#include <algorithm>
#include <vector>

#include "sfl_ipc/lists/wildcard.h"

namespace sfl {

namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

// The texts a rule part stands for; a field that is missing is one empty text, so that "not" rules
// and "equals" with an empty value still mean something.
std::vector<std::string> part_texts(uint32_t part, const parsed_message& m) {
  static const char* const kFields[] = {nullptr, nullptr, "subject", "from", "to", "cc", "bcc"};
  switch (part) {
    case kPartHeader: return {m.header_block};
    case kPartBody: return {m.body_text};
    case kPartSubject:
    case kPartFrom:
    case kPartTo:
    case kPartCc:
    case kPartBcc: {
      std::vector<std::string> values = m.values(kFields[part]);
      if (values.empty()) values.emplace_back();
      return values;
    }
    default: return {m.header_block + "\n" + m.body_text};
  }
}

bool compare(uint32_t op, const std::string& text, const std::string& value, bool nocase) {
  std::string t = nocase ? lower(text) : text;
  std::string v = nocase ? lower(value) : value;
  switch (op) {
    case kOpStarts: return t.compare(0, v.size(), v) == 0 && t.size() >= v.size();
    case kOpEnds: return t.size() >= v.size() && t.compare(t.size() - v.size(), v.size(), v) == 0;
    case kOpEquals: return t == v;
    case kOpMatches: return wildcard(value, nocase).matches(text);
    default: return t.find(v) != std::string::npos;
  }
}

bool applies(const rule_entry& e) { return e.enabled && e.parse_status == 0; }

const rule_entry* first_match(const rule_list& list, const parsed_message& m) {
  for (const auto& e : list)
    if (applies(*e) && rule_matches(*e, m)) return e.get();
  return nullptr;
}

std::string rule_label(const rule_entry& e) {
  return e.name.empty() ? std::string(rule_line_text(e).c_str()) : std::string(e.name.c_str());
}

}  // namespace

bool rule_matches(const rule_item& rule, const parsed_message& message) {
  uint32_t op = rule.flags & kRuleOperatorMask;
  bool nocase = (rule.flags & kRuleNoCase) != 0;
  std::string value(rule.value.c_str(), rule.value.size());
  bool hit = false;
  for (const std::string& t : part_texts(rule.part, message))
    if (compare(op, t, value, nocase)) {
      hit = true;
      break;
    }
  return (rule.flags & kRuleNot) ? !hit : hit;
}

void rule_lists::set_white(const char* data, size_t size) {
  white_.clear();
  white_.read(data, size);
}

void rule_lists::set_black(const char* data, size_t size) {
  black_.clear();
  black_.read(data, size);
}

list_verdict rule_lists::classify(const parsed_message& message, std::string* rule_name) const {
  if (const rule_entry* e = first_match(white_, message)) {
    if (rule_name) *rule_name = rule_label(*e);
    return list_verdict::white;
  }
  if (const rule_entry* e = first_match(black_, message)) {
    if (rule_name) *rule_name = rule_label(*e);
    return list_verdict::black;
  }
  return list_verdict::none;
}

}  // namespace sfl
