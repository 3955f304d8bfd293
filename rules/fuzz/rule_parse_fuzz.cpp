// libFuzzer target: any rule text parses or throws regexcept, and what parses describes back to
// the same part, flags and value.
#include <cstdint>
#include <cstdlib>

#include "rules/rule_item.h"

namespace {
text fuzz_text(unsigned id) {
  text out;
  out.format("reason %u", id);
  return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  set_rule_text_source(fuzz_text);
  text input(reinterpret_cast<const char*>(data), size);
  rule_item rule;
  try {
    rule.parse("", input);
  } catch (const regexcept& e) {
    if (e.position > e.source.size() || e.reason.empty()) std::abort();
    return 0;
  }
  rule_item back;
  back.parse("", rule_line_text(rule));
  if (back.part != rule.part || back.flags != rule.flags || back.value.size() != rule.value.size())
    std::abort();
  return 0;
}
