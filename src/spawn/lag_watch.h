// LagWatch: the opt-in part of lag checking that keeps order and memory.
//
// Ordered checks: manual check requests wait in a first-in-first-out queue
// (at most kMostWaiting of them) and one "*lag" query is outstanding at a
// time. The server's lag line carries
// no name, so an answer belongs to the query it answers: the next query goes
// out only when an answer arrives or when the answer timeout has passed.
//
// Automatic checks: every `autoCheckInterval` seconds each watched player
// (listed, in a ship, access level at most `autoCheckLevel`, listed for at
// least `graceSeconds`) is queried, the most overdue first, when no manual
// request waits: automatic checks are chosen when their turn comes, never
// queued.
//
// Strikes and history: per listed player, the consecutive judged checks at
// or over a limit, and the last kHistoryLength judged checks for staff.
//
// Players are known by the identity of their host record. Every record that
// the watch keeps is checked against the host's list before it is used, so a
// player who vanished without a PlayerLeaving event is never read through.
// A manual request keeps the name as the asker typed it: its report and its
// notices name the player that way, as a check without the queue does.
//
// Live switches lose nothing: when ordered checks are switched off, the
// query already out keeps its request until it is answered or given up, and
// each request still waiting is dropped with a private line to its
// requester, whose "!lagcheck" countdown is given back. Checks without the
// queue are noted while their "*lag" is out (each lag line that is no
// query's answer takes the oldest); when ordered checks are switched on,
// those still out are awaited in the order they went out, behind the query
// out, each for its own player: nothing is adopted that no "*lag" asked.
// The watch owns only its queue and its per-player state. It is asked
// through a narrow interface: its settings (read from tarvok.ini like the
// others, kept by the bot) come by value with each call that needs them,
// and the host's list and the private lines go through the WatchHost the
// bot gives it.
#ifndef TARVOK_SPAWN_LAG_WATCH_H_
#define TARVOK_SPAWN_LAG_WATCH_H_

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "host/linked_list.h"
#include "spawn/check_judgement.h"
#include "spawn/config_keys.h"
#include "spawn/lag_evidence.h"
#include "util/player.h"
#include "util/string.h"

// The watch's settings: the key table's watch rows, read from "tarvok.ini"
// and changed by "!lagwatch".
struct WatchSettings {
  // 1: checks wait their turn.
  std::int32_t queueMode = configDefault(ConfigField::queueMode);
  // Seconds between a player's automatic checks; 0: none.
  std::int32_t autoCheckInterval =
      configDefault(ConfigField::autoCheckInterval);
  // Bad checks in a row before dealing.
  std::int32_t strikesNeeded = configDefault(ConfigField::strikesNeeded);
  // Seconds before a newcomer's first automatic check.
  std::int32_t graceSeconds = configDefault(ConfigField::graceSeconds);
  // The highest access level checked automatically.
  std::int32_t autoCheckLevel = configDefault(ConfigField::autoCheckLevel);
  // Ticks to wait for the server's answer.
  std::int32_t answerTimeout = configDefault(ConfigField::answerTimeout);
  // Seconds a player who left is remembered; 0: not.
  std::int32_t memorySeconds = configDefault(ConfigField::memorySeconds);
  // The least seconds between two strikes; 0: none.
  std::int32_t strikeGapSeconds = configDefault(ConfigField::strikeGapSeconds);

  // True while requests go through the queue: `queue=1`, or automatic checks.
  bool ordered() const { return queueMode != 0 || autoCheckInterval > 0; }
};

// What the watch needs of its bot: the host's list of players, a private
// line to one of them, and the "!lagcheck" countdowns.
class WatchHost {
 public:
  // The host's list; nullptr before the host gave one.
  virtual const _linkedlist<Player>* listedPlayers() const = 0;
  virtual void sendPrivate(const Player* player, const char* text) = 0;
  // The check `asker`'s "!lagcheck" started never happened: they may ask
  // again at once (a listed player whose countdown still runs).
  virtual void giveBackCountdown(const Player* asker) = 0;

 protected:
  ~WatchHost() = default;
};

// The texts of a check's seven figures, in the lag line's order.
struct FigureTexts {
  const String* texts[7];
};

// What dealing with a judged player came to.
enum class DealAction : std::uint8_t { None, Announced, Warned, Spectated };

// The fixed names of the limits ("current", ..., "s2cweapons-negative") and
// of the actions ("none", "announced", "warned", "spectated"), as the lag
// log and "!laghistory" show them.
const char* limitName(int bit);
const char* dealActionName(DealAction action);
// Appends the names of the limits in `limits`, comma-separated, or "-".
void appendLimitNames(String& line, std::uint8_t limits);

// One check waiting for its query, or the one whose answer is awaited.
struct CheckRequest {
  const Player* target;  // identity; read only while listed
  String targetName;     // as typed; the listed name for automatic checks
  String requesterName;  // empty for an automatic check
  bool automatic;
  // Its "*lag" went out without the queue: only its answer is awaited.
  bool alreadyAsked = false;
  // The asker whose "!lagcheck" countdown it started (identity, compared
  // only); nullptr for "!lagme" and automatic checks.
  const Player* countdownOf = nullptr;
  // Its "*lag" went out in the arena the bot has left: its answer, if it
  // comes, is discarded.
  bool ofArenaLeft = false;
};

class LagWatch {
 public:
  static constexpr std::size_t kMostWaiting = 64;
  static constexpr int kHistoryLength = kJudgedHistoryLength;
  static constexpr int kFigureSize = 8;  // a figure's text, cut to 7 bytes

  LagWatch() = default;
  // It keeps pointers into its own maps.
  LagWatch(const LagWatch&) = delete;
  LagWatch& operator=(const LagWatch&) = delete;

  // Room for `count` more requests.
  bool hasRoomFor(std::size_t count) const;
  // Queues a manual check of `target`, asked for as the `typedLength`
  // bytes of `typedName`, for `requester` (whose countdown it started when
  // `startedCountdown`), then sends the next query if none is outstanding.
  // Ignored when no room is left.
  void requestCheck(WatchHost& host, const WatchSettings& settings,
                    const Player* target, const char* typedName,
                    std::uint32_t typedLength, const Player* requester,
                    bool startedCountdown);
  // A check without the queue sent its "*lag" to `target`. Only the last
  // kMostWaiting of them are kept.
  void noteUnorderedQuery(const Player* target, const char* typedName,
                          std::uint32_t typedLength, const Player* requester,
                          bool startedCountdown);
  // A lag line that answered no query took the oldest check without the
  // queue still out.
  void unorderedAnswered() {
    if (!unordered_.empty()) unordered_.popFront();
  }

  // The request that a lag line now arriving answers, no longer
  // outstanding; nullptr when no query is. Valid until the next query goes
  // out (answerHandled, tick).
  const CheckRequest* takeAnswered();
  // After an answer has been handled: the next query goes out.
  void answerHandled(WatchHost& host, const WatchSettings& settings) {
    sendNextQuery(host, settings);
  }

  // Ordered checks were switched off: every waiting request is dropped, its
  // requester told and the countdown its "!lagcheck" started given back
  // (unless the query out is theirs too); the query out keeps its request,
  // and so does every check adopted at a switch-on whose "*lag" went out:
  // they are still awaited in turn.
  void dropWaiting(WatchHost& host, const WatchSettings& settings);
  // Ordered checks were switched on: every check without the queue whose
  // "*lag" is still out is awaited in turn, the first at once unless a
  // query is out.
  void adoptUnorderedChecks(WatchHost& host, const WatchSettings& settings);

  // One second passes: learns new players, gives up a query whose answer is
  // overdue, and sends the next query when none is outstanding.
  void tick(WatchHost& host, const WatchSettings& settings);
  // The player left: their requests and state are dropped. With
  // `memorySeconds` above 0 (memory=) their state is kept that long under
  // their name: one who comes back by then (letter case ignored) keeps their
  // strikes, history and last check, and their grace is not begun again.
  void forget(const Player* player, std::int32_t memorySeconds = 0);
  // A new connection: everything is dropped but the checks without the
  // queue still out (their answers come all the same).
  void clear();
  // The bot left its arena: the requests waiting, the checks without the
  // queue still out and every player's state are dropped. The query out
  // stays out, its answer due from the arena left, and so do the checks
  // adopted behind it, which asked their players already: when each is
  // awaited, takeAnswered hands out nullptr and isDiscarding() is true,
  // so that the answer is taken for no other check (in the next arena the
  // queue may be off, or a new query out), and it is given up without a
  // word after the answer timeout.
  void leaveArena();
  // The lag line just taken answered a query of the arena the bot left.
  bool isDiscarding() const { return discarding_; }
  // A query is out: its answer, or its timeout, is still to come.
  bool awaitingAnswer() const { return outstanding_; }

  // Records the outcome of a judged check of `player` and returns the
  // player's strikes after it (0 once the strikes have been dealt with).
  // With `strikeGap` above 0 (strikegap=) a check at a limit less than that
  // many seconds after the player's last strike adds none and clears none:
  // a burst of bad checks counts once, and N strikes need bad checks over
  // at least (N - 1) * strikeGap seconds.
  std::int32_t recordStrike(const Player* player, bool reachedLimit,
                            std::int32_t strikesNeeded,
                            std::int32_t strikeGap = 0);
  // The last check recorded for `player` reached a limit but came too soon
  // after their last strike to be one.
  bool strikeCameTooSoon(const Player* player) const;
  // The player's strikes now.
  std::int32_t strikesOf(const Player* player) const;
  // Keeps a judged check of `player` (the figures as cut, the current ping
  // as read) for "!laghistory", the hourly counts and the verdict on
  // stability.
  void recordJudged(const FigureTexts& figures, const Player* player,
                    std::uint8_t limits, DealAction action,
                    std::uint8_t verdicts, std::int32_t currentPing);
  // The steadiness of `player`'s connection over their last judged checks
  // and, when `present` is given, the check being judged.
  StabilityEstimate estimateStability(const Player* player,
                                      const std::int32_t* present) const;
  // `player`'s judged checks, newest first, as the judgement reads them.
  CheckHistory historyOf(const Player* player) const;
  // At least this many checks before a connection can be steady.
  static constexpr int kLeastSteadySamples = ::kLeastSteadySamples;

  // True when `player` is on the bot's host list now.
  static bool isListed(const WatchHost& host, const Player* player);

  // Staff commands: "!lagwatch [-i= -s= -g= -l=]" and "!laghistory NAME";
  // `fair` holds the fair settings in force (the steady rule, the ping
  // ceiling and the quorum).
  void showStatus(WatchHost& host, const Player* caller,
                  const WatchSettings& settings, const FairSettings& fair);
  void showHistory(WatchHost& host, const Player* caller, const char* name,
                   const WatchSettings& settings,
                   std::int32_t stabilityJitter);

  // Keeps `evidence` with the check of `player` recorded last (after
  // recordJudged) and sets its streakStart; returns the seconds from the
  // first strike of its run to it. In lag_why.cc.
  std::uint32_t recordEvidence(const Player* player, CheckEvidence evidence);
  // "!lagwhy": the checks behind the last warning or move of `player`
  // (listed), told to `caller`. In lag_why.cc.
  void showWhy(WatchHost& host, const Player* caller, const Player* player);

 private:
  // What a judged check did to the strikes, as "!laghistory" explains it
  // under strikegap=.
  enum class StrikeNote : std::uint8_t { None, Struck, TooSoon };
  struct JudgedCheck {
    std::uint32_t when;  // seconds of the watch's clock
    StrikeNote strikeNote;
    std::int32_t strikesAfter;
    std::uint32_t sinceStrike;  // of a TooSoon check: seconds since the last
    char figures[7][kFigureSize];
    std::uint8_t limits;
    DealAction action;
    std::uint8_t verdicts;
    std::int32_t currentPing;
    CheckEvidence evidence;
  };
  struct PlayerState {
    std::uint32_t listedSince = 0;
    std::uint32_t lastQueried = 0;
    bool queried = false;
    std::int32_t strikes = 0;
    std::uint32_t lastStrikeAt = 0;  // when the last strike was counted
    // The strikes' part of the check being judged, until recordJudged().
    StrikeNote strikeNote = StrikeNote::None;
    std::uint32_t sinceStrike = 0;
    std::int32_t notedStrikes = 0;
    int historyCount = 0;  // judged checks recorded, up to kHistoryLength
    int historyNext = 0;   // where the next one goes
    JudgedCheck history[kHistoryLength];
  };

  // The player's state; a new one is the state remembered for their name,
  // when there is one, or a newcomer's.
  PlayerState& stateOf(const Player* player);
  // What `check` did to the strikes, for "!laghistory" under strikegap=.
  static void appendStrikeNote(String& line, const JudgedCheck& check);
  // Players who left under memory=: their names and states, each until
  // `forgetAt`, the oldest replaced when kMostRemembered are kept.
  struct DepartedPlayer {
    char name[kPlayerNameSize + 1];
    std::uint32_t forgetAt;
    PlayerState state;
  };
  static constexpr std::size_t kMostRemembered = 256;
  void rememberDeparted(const Player* player, const PlayerState& state,
                        std::uint32_t memorySeconds);
  // Where `player`'s state goes: their name's entry, one whose time has
  // passed, a new one, or the one to be forgotten first; nullptr without
  // room.
  DepartedPlayer* departedSlotFor(const Player* player);
  // Moves the state remembered for `player`'s name into `state`; false
  // when none is remembered or its time has passed.
  bool recallDeparted(const Player* player, PlayerState& state);
  void sendNextQuery(WatchHost& host, const WatchSettings& settings);
  void sendQuery(WatchHost& host, const CheckRequest& request);
  // `request` becomes the query out, asked now; of nobody listed unless
  // `listed`.
  void awaitAnswer(const CheckRequest& request, bool listed);
  bool isWatched(const WatchSettings& settings, const Player* player,
                 const PlayerState& state) const;
  // The watched player whose automatic check is most overdue, or nullptr.
  const Player* mostOverdue(const WatchHost& host,
                            const WatchSettings& settings) const;
  // The second a player whose state holds these times falls due: an
  // interval after their last query, or their grace after they came.
  // Wrapped as a second of the clock.
  static std::uint32_t dueSecond(std::uint32_t listedSince,
                                 std::uint32_t lastQueried, bool queried,
                                 const WatchSettings& settings);
  // True when the host list holds the players of the last walk, in order,
  // and each of them with a state too when `withStates`.
  bool listIsAsWalked(const _linkedlist<Player>& players,
                      bool withStates = false) const;
  template <bool withStates>
  bool listIsAsWalkedBy(const _linkedlist<Player>& players) const;
  // Walks the host list: every player with a state becomes a candidate
  // when they can be chosen now by their times, else upcoming, or counted
  // in nextChoosableAt_ while their grace keeps them out.
  void walkForCandidates(const _linkedlist<Player>& players,
                         const WatchSettings& settings) const;
  // Keeps `player` (at `position` of the list), who cannot be chosen now
  // by these times, as upcoming when they can be the second they fall due,
  // else in nextChoosableAt_; false when upcoming_ cannot grow.
  bool keepNotChoosable(const Player* player, const PlayerState& state,
                        std::size_t position, std::uint32_t lastQueried,
                        bool queried, const WatchSettings& settings) const;
  // Moves those upcoming who fell due by now to the candidates and counts
  // nextDueAt_ afresh; false when the candidates cannot grow.
  bool promoteFallenDue() const;
  // The most overdue candidate watched now, taken out and kept as upcoming
  // again, or nullptr.
  const Player* takeBestCandidate(const WatchSettings& settings) const;
  // The first second at which a player whose state holds these times can be
  // chosen, their ship and access level aside; seconds_ when they can be now.
  std::uint64_t choosableAt(std::uint32_t listedSince,
                            std::uint32_t lastQueried, bool queried,
                            const WatchSettings& settings) const;
  // Sends `text` privately to every listed player named `name`.
  static void tellByName(WatchHost& host, const String& name,
                         const char* text);
  struct WalkedPlayer;
  // The walk's entry of `player` at `position` of the host list.
  const WalkedPlayer* walkedAt(std::size_t position,
                               const Player* player) const;
  // Counts one event in this minute's slot of `counts`.
  void bump(std::uint32_t (&counts)[60]);
  std::uint32_t lastHourSum(const std::uint32_t (&counts)[60]) const;

  // The requests waiting, first in first out: a ring of slots whose names
  // keep their blocks, so that queuing a request allocates nothing once
  // the slots have held names. The slots come with the first request: most
  // bots of a host never queue one, and keep no room for 64.
  class Queue {
   public:
    bool empty() const { return count_ == 0; }
    std::size_t size() const { return count_; }
    // A slot at the back, its names to be overwritten; only while
    // size() < kMostWaiting. nullptr when the slots cannot be allocated.
    CheckRequest* pushBack();
    CheckRequest& front() { return slots_[first_]; }
    void popFront();
    // Drops every request of `player`, keeping the others' order; one
    // already asked stays, judging nobody. Forgets `player` as an asker.
    void remove(const Player* player);
    // Drops every request whose "*lag" has not gone out, keeping the
    // others' order.
    void removeUnasked();
    CheckRequest& operator[](std::size_t i) { return at(i); }
    void clear() { count_ = first_ = 0; }

   private:
    CheckRequest& at(std::size_t i) {
      return slots_[(first_ + i) % kMostWaiting];
    }

    std::unique_ptr<CheckRequest[]> slots_;  // kMostWaiting of them
    std::size_t first_ = 0;
    std::size_t count_ = 0;
  };

  // Fills `slot` with a manual check.
  static void fill(CheckRequest& slot, const Player* target,
                   const char* typedName, std::uint32_t typedLength,
                   const Player* requester, bool startedCountdown);

  String line_;  // the line under composition
  Queue waiting_;
  Queue unordered_;  // checks without the queue whose "*lag" is out
  bool outstanding_ = false;
  bool leftArena_ = false;   // the query out was asked in the arena left
  bool discarding_ = false;  // the answer just taken was such a query's
  CheckRequest asked_{};             // valid while outstanding_
  std::uint32_t secondsWaited_ = 0;  // since the outstanding query went out
  std::uint32_t seconds_ = 0;        // Ticks seen
  std::unordered_map<const Player*, PlayerState> players_;
  // The state stateOf() found last and its player; nullptr after an erasure.
  const Player* lastStatePlayer_ = nullptr;
  PlayerState* lastState_ = nullptr;
  std::vector<DepartedPlayer> departed_;
  // The host list as mostOverdue() last walked it, each player with their
  // state (nullptr: none then), so that a Tick and a walk over a list that
  // has not changed look nothing up. The states stay where they are until
  // erased, and every erasure clears this.
  struct WalkedPlayer {
    const Player* player = nullptr;
    const PlayerState* state = nullptr;
  };
  mutable std::vector<WalkedPlayer> walked_;
  mutable WalkedPlayer unwalked_;  // the entry when walked_ cannot grow
  // What the last walk found, kept up to date after it while
  // nextChoosableKnown_ holds: a player with a state is a candidate (can
  // be chosen now by their times, watched or not), upcoming (can be the
  // second they fall due, nextDueAt_ the first of those seconds), or kept
  // out by their grace until nextChoosableAt_ at the earliest, under
  // these interval and grace settings; ship and access level are left out
  // of it. What can change it otherwise clears nextChoosableKnown_ and
  // brings a walk: a new or erased state, a list that is not the one
  // walked last, a query that was no candidate's.
  mutable bool nextChoosableKnown_ = false;
  mutable std::uint64_t nextDueAt_ = 0;
  mutable std::uint64_t nextChoosableAt_ = 0;
  mutable std::int32_t knownInterval_ = 0;
  mutable std::int32_t knownGrace_ = 0;
  mutable std::size_t walkedLength_ = 0;  // the list's length when walked last
  struct DueCandidate {
    const Player* player;
    const PlayerState* state;
    std::uint32_t due;
    std::size_t position;  // in the host list
  };
  mutable std::vector<DueCandidate> candidates_;
  mutable std::vector<DueCandidate> upcoming_;
  // Checks and deals per minute of the last hour, by minute of the clock.
  std::uint32_t recentChecks_[60] = {};
  std::uint32_t recentDeals_[60] = {};
  std::uint32_t bucketMinute_[60] = {};
};

#endif  // TARVOK_SPAWN_LAG_WATCH_H_
