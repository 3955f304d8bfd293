// The check and training flows: the message is fetched through the host's callback, packed with a
// time stamp and handed to the engine. Both run under the instance's lock for their whole length.
#pragma once
#include <cstdint>

#include "engine/engine_interface.h"
#include "plugin/tbp_api.h"

class aspam;
class client_plugin;

int do_filter_action(client_plugin& instance, int msid, tbp_data_callback callback);
// The engine's score, or -1 when none could be had.
int check_mail(aspam* wrapper, int msid, tbp_data_callback callback, const uint8_t* time_stamp);
// Fills a package with the time stamp and the message text (request 100005, length then data).
bool __pack_mail(message_package* package, int msid, tbp_data_callback callback, const uint8_t* time_stamp);

void mark_flow(client_plugin& instance, int msid, bool spam, tbp_data_callback callback);
void mark_mail(aspam* wrapper, int msid, tbp_data_callback callback, const uint8_t* reply, int reply_length,
               bool spam, bool mark);
