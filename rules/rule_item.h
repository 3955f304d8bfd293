// A rule: one test on a mail message (which part, how it is compared, case, negation) and its
// textual form "<keywords>:<value>", e.g. "Subject not starts case :[list]". The module parses,
// shows and writes rules; applying them to messages is the engine's business.
#pragma once
#include <cstdint>

#include "common/text.h"

enum rule_part : uint32_t {
  kPartAny = 0,
  kPartHeader = 1,
  kPartSubject = 2,
  kPartFrom = 3,
  kPartTo = 4,
  kPartCc = 5,
  kPartBcc = 6,
  kPartBody = 7,
};

enum rule_operator : uint32_t {
  kOpContains = 0,
  kOpStarts = 1,
  kOpEnds = 2,
  kOpEquals = 3,
  kOpMatches = 4,
};

// Layout of rule_item::flags; every other bit stays zero.
constexpr uint32_t kRuleOperatorMask = 0x7;
constexpr uint32_t kRuleNoCase = 0x8;
constexpr uint32_t kRuleNot = 0x10;
constexpr uint32_t kRuleDefaultFlags = kRuleNoCase;

// Maps a string id of the user interface to its text (empty when it has none). The Windows module
// points it at the resource library's string table; without a source every reason is empty.
using rule_text_source = text (*)(unsigned id);
void set_rule_text_source(rule_text_source source);
rule_text_source get_rule_text_source();

// The parser's syntax error. Thrown by value, caught by reference, never past rule_entry.
class regexcept {
 public:
  // reason: a string id (below 65536) whose text is looked up, or a pointer to a literal text.
  regexcept(const text& source, const char* reason, uint64_t position, const text& detail);
  regexcept(const text& source, unsigned reason_id, uint64_t position, const text& detail);

  text source;            // the keyword text being parsed (the rule text before its first colon)
  text detail;            // extra text of the thrower; the parser gives none
  text reason;            // the error alone, from the string table
  uint64_t position = 0;  // offset in source where the error was seen
};

class rule_item {
 public:
  rule_item() = default;
  rule_item(const rule_item&) = default;
  rule_item& operator=(const rule_item&) = default;
  virtual ~rule_item() = default;

  // Does nothing here; kept as a slot for derived classes.
  virtual void hook() {}
  virtual void get_value(text& out) const;
  // Stores the four fields as given, without any check.
  virtual void set(uint32_t new_flags, uint32_t new_part, const text& new_name, const text& new_value);
  // Replaces part, flags and value by what the rule text says (the name too, when one is given).
  // Throws regexcept on a syntax error; fields set before the bad word keep their new values.
  virtual void parse(const text& new_name, const text& rule_text);

  // The keyword text that parses back to part and flags (no colon, no value).
  void describe(text& out) const;

  text name;
  uint32_t part = kPartAny;
  uint32_t flags = kRuleDefaultFlags;
  text value;
};

// The stored form of a whole rule: describe text, ":", value.
text rule_line_text(const rule_item& rule);
