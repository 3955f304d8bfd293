// Expansion of environment references with the system's own rules.
#include <windows.h>

#include <vector>

#include "settings/environment.h"

void expand_environment(const char* source, text* out) {
  if (!out) return;
  const char* s = source ? source : "";
  DWORD need = ExpandEnvironmentStringsA(s, nullptr, 0);
  if (need == 0) {
    out->assign(s);  // nothing to expand with: keep the text as given
    return;
  }
  std::vector<char> buf(static_cast<size_t>(need) + 2, '\0');
  DWORD got = ExpandEnvironmentStringsA(s, buf.data(), static_cast<DWORD>(buf.size()));
  if (got == 0 || got > buf.size()) {
    out->assign(s);
    return;
  }
  out->assign(buf.data());
}
