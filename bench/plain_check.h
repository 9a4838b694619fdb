// The yardstick of the check road: the same lag check written as plain C
// would write it, with the plug-in's default limits, reports to the arena
// and dealing mode 3 fixed in. Players are found by name with strncasecmp,
// texts formatted with snprintf into fixed buffers, the lag line's figures
// cut with strchr; one bot, its state in static variables. It reads the
// host's records and answers through the host's callback like the plug-in,
// so that both can be timed with the same events (check_road.h) and their
// records compared byte for byte. Written in the C subset of C++ only
// because the host's record types are C++.
#ifndef TARVOK_BENCH_PLAIN_CHECK_H_
#define TARVOK_BENCH_PLAIN_CHECK_H_

#include "host/bot_event.h"

// Handles Init, "!lagcheck" and lag lines; ignores everything else.
void TARVOK_STDCALL plainCheckTalk(BotEvent& event);

#endif  // TARVOK_BENCH_PLAIN_CHECK_H_
