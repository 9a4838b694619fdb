#include "sim/demo_scenario.h"

const char kDemoSettings[] = R"(# tarvok-sim's demo.
## The operator's tarvok.ini: warning texts and a 5-minute rate limit.
ini WarnMessage=Your connection is too poor for this zone, please fix it
ini LockMessage=You lag too much to play here: moved to spectator mode
ini maxcheckrate=300
)";

const char kDemoStory[] = R"(init
arrive Alice ship=1 ping=110/95/80/240 loss=0.4/0.8/0.0
arrive Bob ship=3 ping=420/380/210/900 loss=3.2/1.1/0.0
arrive Zed level=SMod ship=8 ping=60/55/40/90 loss=0.0/0.0/0.0
wait 5
## Alice asks what the bot can do, then checks her own connection.
Alice: !help
Alice: !help lagcheck
Alice: !about
Alice: !lagme
## Bob seems to jump around: Alice checks him, and asks again too soon.
Alice: !lagcheck Bob
Alice: !lagcheck Bob
wait 65
Alice: !laglimits
## Zed, a super moderator, looks at the staff commands and turns warnings on.
Zed: !help
Zed: !help laggerdeal
Zed: !laggerdeal 2
Zed: !lagcheck bob
## Bob still lags: Zed has laggers moved to spectator mode.
Zed: !laggerdeal 3
Zed: !lagcheck Bob
Bob: hey, why am I spectating?
## Staff raise the ping limits and have reports sent privately.
Zed: !laglimitset -p=450 -a=400
Zed: !lagdisplay 2
Zed: !lagtimelimit 60
Zed: !laglimits
figures Bob ping=150/140/90/300 loss=0.5/0.2/0.0
ship Bob 3
wait 240
Alice: !lagcheck Bob
Alice: !laglimits
## Bob leaves, and the host shuts the plug-in down.
leave Bob
term
)";
