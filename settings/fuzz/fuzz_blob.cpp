// Feeds arbitrary bytes to the engine settings blob parser of a record with every binding type.
#include <cstring>

#include "settings/record.h"

namespace {
class fuzz_record : public settings_record {
 public:
  fuzz_record() {
    bind_setting(kCategoryStorage, kBindText, &name, "name", nullptr);
    bind_setting(kCategoryStorage, kBindPath, &path, "path", &raw_path);
    bind_setting(kCategoryStorage, kBindUnsigned, &count, "count", nullptr);
    bind_setting(kCategoryStorage, kBindBool, &flag, "flag", nullptr);
    bind_setting(kCategoryStorage, kBindSigned, &delta, "delta", nullptr);
    bind_setting(kCategoryStorage, kBindDouble, &level, kEngineSettingsName, nullptr);
  }
  text name, path, raw_path;
  uint32_t count = 0;
  bool flag = false;
  int32_t delta = 0;
  double level = 0.5;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_record r;
  r.apply_engine_settings(data, size);
  uint8_t flag_byte;
  std::memcpy(&flag_byte, &r.flag, 1);
  if (flag_byte > 1 || r.name.size() > size || r.raw_path.size() > size) __builtin_trap();
  return 0;
}
