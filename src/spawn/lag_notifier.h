// LagNotifier: tells staff at once when the bot warns a player or moves
// them to spectator mode ("notify=LEVEL"): every listed player at that
// access level or above (up to the highest level that commands answer),
// the dealt-with player aside, gets one private line with the evidence:
//   tarvok: Bob moved to spectator mode: 3 strikes in 90 s, current 420
//   (limit 300), average 390 (300), S2C 3.2 % (2)
// naming each limit the check reached, with its figure and the limit in
// force (the ping limits with the player's allowance, said at the end).
// With "NotifyMessage=TEXT" staff get "tarvok: " and TEXT instead, its
// placeholders replaced by the facts of the check when placeholders are on.
//
// Bounded: at most kMostPerMinute dealings are told in one minute of the
// bot's clock (Ticks); those beyond are counted, and when the minute ends
// staff get one line saying how many were not told one by one.
#ifndef TARVOK_SPAWN_LAG_NOTIFIER_H_
#define TARVOK_SPAWN_LAG_NOTIFIER_H_

#include <cstdint>

#include "spawn/lag_evidence.h"
#include "spawn/lag_watch.h"
#include "spawn/message_template.h"

class botInfo;
struct Player;

class LagNotifier {
 public:
  static constexpr int kMostPerMinute = 5;
  static constexpr std::uint32_t kMinute = 60;

  // `lagger` (listed) was warned or spectated (`action`) for the limits in
  // `limits` (LimitBit), judged by `evidence`, their strikes run over
  // `streakSeconds`. The bot's figures are the check's; `facts` are the
  // check's for the placeholders of the bot's notify message. Nothing when
  // `bot.notifyLevel` is 0.
  void tellStaff(botInfo& bot, const Player* lagger, DealAction action,
                 std::uint8_t limits, const CheckEvidence& evidence,
                 std::uint32_t streakSeconds, const MessageFacts& facts);
  // One second passes; at the end of a minute the dealings not told are
  // summed up.
  void tick(botInfo& bot);
  // A new connection: the minute starts afresh.
  void clear();

 private:
  // Sends `text` to every listed player at the bot's notify level or above,
  // except `except`.
  static void sendToStaff(botInfo& bot, const char* text,
                          const Player* except);

  std::uint32_t secondsInMinute_ = 0;
  int toldThisMinute_ = 0;
  std::uint32_t untold_ = 0;
};

#endif  // TARVOK_SPAWN_LAG_NOTIFIER_H_
