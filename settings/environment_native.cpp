// Native stand-in for the Win32 expansion, so the record's path members behave alike in native
// builds: %NAME% is replaced by the variable's value; unknown names and lone percent signs stay.
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/environment.h"

void expand_environment(const char* source, text* out) {
  if (!out) return;
  std::string result;
  for (const char* p = source ? source : ""; *p;) {
    const char* close = *p == '%' ? std::strchr(p + 1, '%') : nullptr;
    if (!close) {
      result.push_back(*p++);
      continue;
    }
    std::string name(p + 1, close);
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value) {
      result += value;
      p = close + 1;
    } else {
      result.append(p, close);
      p = close;  // the closing percent may open the next reference
    }
  }
  out->assign(result.c_str(), result.size());
}
