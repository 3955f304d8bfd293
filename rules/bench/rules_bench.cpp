// Prints how parse and list-read times grow with input size; linear code keeps ns/byte flat.
#include <chrono>
#include <cstdio>
#include <string>

#include "rules/rule_list.h"

namespace {

using clock_type = std::chrono::steady_clock;

template <class F>
double seconds(F&& f) {
  auto start = clock_type::now();
  f();
  return std::chrono::duration<double>(clock_type::now() - start).count();
}

void parse_once(const std::string& s) {
  rule_item rule;
  try {
    rule.parse("", text(s.c_str(), s.size()));
  } catch (const regexcept&) {}
}

}  // namespace

int main() {
  std::printf("%-22s %10s %10s %10s\n", "input", "bytes", "ms", "ns/byte");
  for (size_t mb = 1; mb <= 16; mb *= 2) {
    const size_t n = mb << 20;
    const std::string inputs[][2] = {
        {"one long word", std::string(n, 'w') + ":v"},
        {"blanks then value", "from" + std::string(n, '\t') + ":" + std::string(n, 'v')},
    };
    for (const auto& in : inputs) {
      double s = seconds([&] { parse_once(in[1]); });
      std::printf("%-22s %10zu %10.2f %10.2f\n", in[0].c_str(), in[1].size(), s * 1e3,
                  s * 1e9 / in[1].size());
    }
    std::string file;
    while (file.size() < n) file += "#a name\r\nSubject not starts case :[list]\r\n\r\nbogus words:x\r\n";
    double s = seconds([&] {
      rule_list list;
      list.read(file.data(), file.size());
    });
    std::printf("%-22s %10zu %10.2f %10.2f\n", "list file", file.size(), s * 1e3, s * 1e9 / file.size());
  }
  return 0;
}
