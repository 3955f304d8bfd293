#include "host/message_table.h"

#include <atomic>
#include <climits>
#include <cstring>

namespace {

struct slot_state {
  std::atomic<int> msid{0};  // 0: no message
  int sequence = 0;
  const char* data = nullptr;
  size_t size = 0;
  unsigned char time[kTimeRecordSize] = {};
};

slot_state g_slots[kMessageSlots];

int copy_out(const void* source, size_t length, void* buffer, int size) {
  if (!buffer) return static_cast<int>(length);
  if (size <= 0 || length == 0) return 0;
  size_t n = static_cast<size_t>(size) < length ? static_cast<size_t>(size) : length;
  std::memcpy(buffer, source, n);
  return static_cast<int>(n);
}

}  // namespace

int publish_message(int slot, const char* data, size_t size, const utc_time& time) {
  if (slot < 0 || slot >= kMessageSlots || size > static_cast<size_t>(INT_MAX)) return 0;
  slot_state& s = g_slots[slot];
  s.data = data;
  s.size = size;
  encode_time_record(time, s.time);
  // MSIDs stay positive: the sequence wraps before slot + sequence * kMessageSlots overflows.
  if (++s.sequence > (INT_MAX - kMessageSlots) / kMessageSlots) s.sequence = 1;
  int msid = s.sequence * kMessageSlots + slot;
  s.msid.store(msid, std::memory_order_release);
  return msid;
}

void retire_message(int slot) {
  if (slot >= 0 && slot < kMessageSlots) g_slots[slot].msid.store(0, std::memory_order_release);
}

int HOST_CALLBACK serve_message_request(int msid, int request, void* buffer, int size) {
  if (msid <= 0) return 0;
  const slot_state& s = g_slots[msid % kMessageSlots];
  if (s.msid.load(std::memory_order_acquire) != msid) return 0;
  if (request == kRequestText) return copy_out(s.data, s.size, buffer, size);
  if (request == kRequestTime) return copy_out(s.time, kTimeRecordSize, buffer, size);
  return 0;
}
