#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "common/guard.h"
#include "engine/package.h"
#include "engine/tb_spam.h"
#include "log/log.h"
#include "plugin/client_plugin.h"
#include "plugin/mail_flows.h"

namespace {

// A reply of the host as a NUL-terminated block; null when the host had nothing, faulted, or answered
// with a length that does not fit what it announced.
char* host_fetch(int request, int msid, tbp_data_callback callback, int* length) {
  int n = 0;
  if (!callback || !guarded([&] { n = callback(msid, request, nullptr, 0); }) || n < 0) return nullptr;
  char* buffer = static_cast<char*>(std::calloc(static_cast<size_t>(n) + 1, 1));
  if (!buffer) return nullptr;
  int m = 0;
  if (!guarded([&] { m = callback(msid, request, buffer, n); }) || m <= 0 || m > n) {
    std::free(buffer);
    return nullptr;
  }
  buffer[m] = '\0';
  *length = m;
  return buffer;
}

}  // namespace

void mark_mail(aspam* wrapper, int msid, tbp_data_callback callback, const uint8_t* reply, int reply_length,
               bool spam, bool mark) {
  RLOG("mark_mail (%d)", spam ? 1 : 0);
  if (!reply) return;
  // A time record shorter than a time stamp is no time record: nothing is learned from it.
  if (reply_length < static_cast<int>(kTimeStampSize)) {
    RLOG("[-] mark_mail: the host's time record has %d bytes", reply_length);
    return;
  }
  message_package package = {};
  engine_interface* engine = nullptr;
  if (__pack_mail(&package, msid, callback, reply) && wrapper && wrapper->initialized())
    engine = wrapper->engine();
  if (engine) guarded([&] { engine->mark(&package, spam ? 1 : 0, mark ? 1 : 0); });
  package_free(package);
}

void mark_flow(client_plugin& instance, int msid, bool spam, tbp_data_callback callback) {
  instance_lock hold(instance);
  int length = 0;
  char* reply = host_fetch(kRequestTimeRecord, msid, callback, &length);
  mark_mail(current_engine_wrapper(), msid, callback, reinterpret_cast<const uint8_t*>(reply), length, spam,
            true);
  std::free(reply);
}
