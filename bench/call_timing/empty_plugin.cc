// tarvok_empty: a library with the plug-in's one export, `talk`, doing
// nothing. The call timing host loads it exactly like the plug-in, so that
// the two calls it compares differ only in what `talk` does.
#include "host/bot_event.h"

void TARVOK_STDCALL talk(BotEvent&) {}
