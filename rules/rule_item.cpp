#include "rules/rule_item.h"

#include <cstring>

#include "rules/rule_error_ids.h"

namespace {

rule_text_source g_text_source = nullptr;

// Largest value that is a string id rather than a pointer, as resource ids are told apart.
constexpr uintptr_t kMaxStringId = 0xFFFF;

enum keyword_group { kGroupPart, kGroupOperator, kGroupCase, kGroupNot };

struct keyword {
  const char* word;
  keyword_group group;
  uint32_t value;
};

// Compared in this order; the first match wins.
constexpr keyword kKeywords[] = {
    {"any", kGroupPart, kPartAny},
    {"header", kGroupPart, kPartHeader},
    {"subject", kGroupPart, kPartSubject},
    {"from", kGroupPart, kPartFrom},
    {"to", kGroupPart, kPartTo},
    {"cc", kGroupPart, kPartCc},
    {"bcc", kGroupPart, kPartBcc},
    {"body", kGroupPart, kPartBody},
    {"equals", kGroupOperator, kOpEquals},
    {"starts", kGroupOperator, kOpStarts},
    {"ends", kGroupOperator, kOpEnds},
    {"matches", kGroupOperator, kOpMatches},
    {"contains", kGroupOperator, kOpContains},
    {"case", kGroupCase, 0},
    {"nocase", kGroupCase, kRuleNoCase},
    {"not", kGroupNot, kRuleNot},
};

constexpr unsigned kDuplicateError[] = {IDS_ERR_SECOND_PART, IDS_ERR_SECOND_OPERATOR, IDS_ERR_SECOND_CASE,
                                        IDS_ERR_SECOND_NOT};

bool is_blank(char c) { return c == ' ' || c == '\t'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares in place, so a word of any length costs at most one pass and no copy.
bool word_is(const char* word, size_t size, const char* keyword) {
  size_t i = 0;
  for (; i < size && keyword[i]; ++i) {
    if (lower(word[i]) != keyword[i]) return false;
  }
  return i == size && keyword[i] == '\0';
}

const keyword* find_keyword(const char* word, size_t size) {
  for (const keyword& k : kKeywords) {
    if (word_is(word, size, k.word)) return &k;
  }
  return nullptr;
}

size_t skip_blanks(const char* s, size_t pos, size_t end) {
  while (pos < end && is_blank(s[pos])) ++pos;
  return pos;
}

void apply_keyword(const keyword& k, rule_item& rule) {
  switch (k.group) {
    case kGroupPart: rule.part = k.value; break;
    case kGroupOperator: rule.flags = (rule.flags & ~kRuleOperatorMask) | k.value; break;
    case kGroupCase: rule.flags = (rule.flags & ~kRuleNoCase) | k.value; break;
    case kGroupNot: rule.flags |= kRuleNot; break;
  }
}

const char* const kPartWords[] = {"", "Header ", "Subject ", "From ", "To ", "Cc ", "Bcc ", "Body "};
const char* const kOperatorWords[] = {"", "starts ", "ends ", "equals ", "matches "};

}  // namespace

void set_rule_text_source(rule_text_source source) { g_text_source = source; }
rule_text_source get_rule_text_source() { return g_text_source; }

regexcept::regexcept(const text& source_, const char* reason_, uint64_t position_, const text& detail_)
    : source(source_), detail(detail_), position(position_) {
  uintptr_t id = reinterpret_cast<uintptr_t>(reason_);
  if (id <= kMaxStringId) {
    if (g_text_source && id != 0) reason = g_text_source(static_cast<unsigned>(id));
  } else {
    reason.assign(reason_);
  }
}

regexcept::regexcept(const text& source_, unsigned reason_id, uint64_t position_, const text& detail_)
    : regexcept(source_, reinterpret_cast<const char*>(static_cast<uintptr_t>(reason_id & kMaxStringId)),
                position_, detail_) {}

void rule_item::get_value(text& out) const { out = value; }

void rule_item::set(uint32_t new_flags, uint32_t new_part, const text& new_name, const text& new_value) {
  flags = new_flags;
  part = new_part;
  name = new_name;
  value = new_value;
}

void rule_item::parse(const text& new_name, const text& rule_text) {
  if (!new_name.empty()) name = new_name;
  part = kPartAny;
  flags = kRuleDefaultFlags;
  if (rule_text.empty()) return;

  const char* s = rule_text.c_str();
  const size_t size = rule_text.size();
  const void* colon = std::memchr(s, ':', size);
  const size_t end = colon ? static_cast<size_t>(static_cast<const char*>(colon) - s) : size;

  unsigned present = 0;  // one bit per keyword group
  size_t pos = skip_blanks(s, 0, end);
  while (pos < end) {
    size_t word_end = pos;
    while (word_end < end && !is_blank(s[word_end])) ++word_end;
    const keyword* k = find_keyword(s + pos, word_end - pos);
    pos = skip_blanks(s, word_end, end);
    if (!k) throw regexcept(text(s, end), IDS_ERR_UNKNOWN_WORD, pos, text());
    unsigned bit = 1u << k->group;
    if (present & bit) throw regexcept(text(s, end), kDuplicateError[k->group], pos, text());
    present |= bit;
    apply_keyword(*k, *this);
  }
  if (colon) {
    value.assign(s + end + 1, size - end - 1);
  } else {
    value.clear();
  }
}

void rule_item::describe(text& out) const {
  out.assign(part < sizeof(kPartWords) / sizeof(kPartWords[0]) ? kPartWords[part] : "");
  if (flags & kRuleNot) out.append("not ");
  uint32_t op = flags & ~(kRuleNoCase | kRuleNot);
  if (op < sizeof(kOperatorWords) / sizeof(kOperatorWords[0])) out.append(kOperatorWords[op]);
  if (!(flags & kRuleNoCase)) out.append("case ");
}

text rule_line_text(const rule_item& rule) {
  text line;
  rule.describe(line);
  line.append(":", 1);
  line.append(rule.value);
  return line;
}
