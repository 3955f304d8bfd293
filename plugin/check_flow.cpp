#include <windows.h>

#include <cstring>

#include "common/guard.h"
#include "engine/package.h"
#include "engine/tb_spam.h"
#include "log/log.h"
#include "plugin/client_plugin.h"
#include "plugin/mail_flows.h"
#include "plugin/statistics.h"
#include "settings/folders.h"

namespace {

constexpr int kNoScore = -1;

// One guarded call into the host; false when it faulted or threw.
bool ask_host(tbp_data_callback callback, int msid, int request, void* buffer, int size, int* answer) {
  return guarded([&] { *answer = callback(msid, request, buffer, size); });
}

}  // namespace

bool __pack_mail(message_package* package, int msid, tbp_data_callback callback, const uint8_t* time_stamp) {
  RLOG("__pack_mail");
  if (!package || !callback) return false;
  package_part* time = package_append(*package, kPartTime, kTimeStampSize);
  if (!time) return false;
  std::memcpy(time->data, time_stamp, kTimeStampSize);
  int length = 0;
  if (!ask_host(callback, msid, kRequestMessageText, nullptr, 0, &length)) return false;
  // A negative length is no message: refuse rather than guess a size.
  if (length < 0) {
    RLOG("[-] __pack_mail: the host reported length %d", length);
    return false;
  }
  package_part* body = package_append(*package, kPartText, static_cast<uint64_t>(length) + 1);
  if (!body) return false;
  // The answer of the fill call is not a count (a client may return a status there): the text is
  // what was announced, zero bytes where the client wrote nothing.
  int ignored = 0;
  if (!ask_host(callback, msid, kRequestMessageText, body->data, length, &ignored)) return false;
  static_cast<char*>(body->data)[length] = '\0';
  return true;
}

int check_mail(aspam* wrapper, int msid, tbp_data_callback callback, const uint8_t* time_stamp) {
  RLOG("check_mail");
  message_package package = {};
  int score = kNoScore;
  bool packed = __pack_mail(&package, msid, callback, time_stamp);
  engine_interface* engine = packed && wrapper && wrapper->initialized() ? wrapper->engine() : nullptr;
  if (engine) {
    int32_t value = 0;
    HRESULT result = E_FAIL;
    if (guarded([&] { result = engine->check(&package, &value); }) && SUCCEEDED(result)) score = value;
  }
  package_free(package);
  return score;
}

int do_filter_action(client_plugin& instance, int msid, tbp_data_callback callback) {
  instance_lock hold(instance);
  int spam_threshold = static_cast<int>(read_basic_setting(kSpamThreshold));
  int unsure_threshold = static_cast<int>(read_basic_setting(kUnsureThreshold));
  SYSTEMTIME now;
  GetSystemTime(&now);
  uint8_t stamp[kTimeStampSize];
  std::memcpy(stamp, &now, kTimeStampSize);
  int score = check_mail(current_engine_wrapper(), msid, callback, stamp);
  RLOG("[i] do_filter_action invoked with MsgID(%d), result (%d)", msid, score);
  stat_count(classify_score(score, spam_threshold, unsure_threshold), 1);
  return score;
}
