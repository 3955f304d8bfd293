// Applies the user's white and black lists to a message. A message that a white rule matches is good
// whatever else it holds; otherwise one that a black rule matches is spam; otherwise the lists have no
// opinion. Disabled rules and rules whose text did not parse are skipped.
#pragma once
#include <string>
#include <string_view>

#include "rules/rule_list.h"
#include "sfl_ipc/core/mime.h"

namespace sfl {

enum class list_verdict { none, white, black };

// One rule against one message. Fields that occur several times (To, Cc, ...) are tested one by one:
// the comparison holds when it holds for any of them; "not" negates the whole.
bool rule_matches(const rule_item& rule, const parsed_message& message);

class rule_lists {
 public:
  // Replaces a list by the rules of a list file's bytes.
  void set_white(const char* data, size_t size);
  void set_black(const char* data, size_t size);
  size_t white_rules() const { return white_.size(); }
  size_t black_rules() const { return black_.size(); }

  // The verdict and, when there is one, the name (or rule text) of the rule that decided.
  list_verdict classify(const parsed_message& message, std::string* rule_name) const;

 private:
  rule_list white_;
  rule_list black_;
};

}  // namespace sfl
