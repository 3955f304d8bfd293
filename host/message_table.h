// The messages the host is handing to the plug-in, by message id (MSID), and the data callback that
// serves them. The plug-in calls back on the thread that called it, so each driver thread owns one
// slot of the table and publishes its current message there; the MSID names the slot and a
// sequence number, so a stale MSID finds nothing. Free of Win32.
#pragma once
#include <cstddef>

#include "host/date_header.h"

#ifdef _WIN32
#define HOST_CALLBACK __stdcall
#else
#define HOST_CALLBACK
#endif

// The callback's requests.
constexpr int kRequestText = 100005;
constexpr int kRequestTime = 100006;
// Driver threads the table can serve at once.
constexpr int kMessageSlots = 64;

// Makes data (size bytes, owned by the caller until retire) and its time the message of slot and
// returns the MSID to hand to the plug-in, or 0 when slot is out of range or size exceeds 2 GB.
int publish_message(int slot, const char* data, size_t size, const utc_time& time);
// The slot serves nothing until its next message.
void retire_message(int slot);

// Request 100005: the message's bytes; request 100006: its 16-byte time record. A null buffer asks
// for the length; otherwise min(size, length) bytes are copied and counted. Unknown requests and
// MSIDs give 0.
int HOST_CALLBACK serve_message_request(int msid, int request, void* buffer, int size);
