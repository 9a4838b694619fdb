#include "spawn/lag_watch.h"

#include <cstring>
#include <iterator>
#include <new>
#include <utility>

#include "spawn/lag_log_schema.h"
#include "util/player.h"

namespace {

// Appends " NAME: VALUE" items of the history line.
void appendFigure(String& line, const char* label, const char* figure) {
  line += label;
  line += figure;
}

// The verdict on stability in "!laghistory": the estimator's figures and
// what they come to under `stability=`.
void appendStability(String& line, const StabilityEstimate& estimate,
                     std::int32_t jitter) {
  line += "  ping median: ";
  line += estimate.median;
  line += " ms, spread: ";
  line += estimate.spread;
  line += " ms over ";
  line += static_cast<std::int32_t>(estimate.samples);
  line += estimate.samples == 1 ? " check" : " checks";
  if (estimate.samples < LagWatch::kLeastSteadySamples) {
    line += " (too few to judge)";
  } else if (!estimate.lossFree) {
    line += " (not steady: a loss limit was reached)";
  } else if (estimate.spread > jitter) {
    line += " (not steady: over ";
    line += jitter;
    line += ")";
  } else {
    line += " (steady: within ";
    line += jitter;
    line += ")";
  }
}

void appendVerdicts(String& line, std::uint8_t verdicts) {
  if (verdicts & kVerdictAllowance) line += "  allowance";
  if (verdicts & kVerdictNoQuorum) line += "  no quorum";
  if (verdicts & kVerdictSteady) line += "  steady";
  if (verdicts & kVerdictGlitch) line += "  glitch";
}

}  // namespace

const char* limitName(int bit) {
  return bit >= 0 && bit < lag_log_schema::kLimitCount
             ? lag_log_schema::kLimitNames[bit].data()
             : "";
}

const char* dealActionName(DealAction action) {
  namespace schema = lag_log_schema;
  const int index = static_cast<int>(action);
  return schema::kActionNames[index < schema::kActionCount ? index : 0].data();
}

void appendLimitNames(String& line, std::uint8_t limits) {
  if (limits == 0) {
    line += "-";
    return;
  }
  bool first = true;
  for (int bit = 0; bit < 8; ++bit) {
    if ((limits >> bit & 1u) == 0) continue;
    if (!first) line += ",";
    line += limitName(bit);
    first = false;
  }
}

void LagWatch::tellByName(WatchHost& host, const String& name,
                          const char* text) {
  const _linkedlist<Player>* players = host.listedPlayers();
  if (players == nullptr) return;
  for (const _listnode<Player>* node = players->head; node != nullptr;
       node = node->next) {
    if (node->item->nameEqualsIgnoreCase(name.chars())) {
      host.sendPrivate(node->item, text);
    }
  }
}

bool LagWatch::hasRoomFor(std::size_t count) const {
  return waiting_.size() + count <= kMostWaiting;
}

CheckRequest* LagWatch::Queue::pushBack() {
  if (slots_ == nullptr) {
    slots_.reset(new (std::nothrow) CheckRequest[kMostWaiting]());
    if (slots_ == nullptr) return nullptr;
  }
  CheckRequest& slot = at(count_);
  ++count_;
  return &slot;
}

void LagWatch::Queue::popFront() {
  first_ = (first_ + 1) % kMostWaiting;
  --count_;
  // An emptied ring starts again at the slot whose names have blocks.
  if (count_ == 0) first_ = 0;
}

void LagWatch::Queue::removeUnasked() {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < count_; ++i) {
    if (!at(i).alreadyAsked) continue;
    if (kept != i) std::swap(at(kept), at(i));  // every slot keeps its blocks
    ++kept;
  }
  count_ = kept;
}

void LagWatch::Queue::remove(const Player* player) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < count_; ++i) {
    CheckRequest& request = at(i);
    if (request.countdownOf == player) request.countdownOf = nullptr;
    if (request.target == player) {
      if (!request.alreadyAsked) continue;
      request.target = nullptr;  // its answer still comes
    }
    // Swapped, not copied: every slot keeps a block of its own.
    if (kept != i) std::swap(at(kept), at(i));
    ++kept;
  }
  count_ = kept;
}

void LagWatch::fill(CheckRequest& slot, const Player* target,
                    const char* typedName, std::uint32_t typedLength,
                    const Player* requester, bool startedCountdown) {
  slot.target = target;
  slot.targetName.assign(typedName, typedLength);
  slot.requesterName.assign(requester->name, requester->nameLength());
  slot.automatic = false;
  slot.alreadyAsked = false;
  slot.countdownOf = startedCountdown ? requester : nullptr;
  slot.ofArenaLeft = false;
}

void LagWatch::requestCheck(WatchHost& host, const WatchSettings& settings,
                            const Player* target, const char* typedName,
                            std::uint32_t typedLength, const Player* requester,
                            bool startedCountdown) {
  if (!hasRoomFor(1)) return;
  CheckRequest* slot = waiting_.pushBack();
  if (slot == nullptr) return;
  fill(*slot, target, typedName, typedLength, requester, startedCountdown);
  if (!outstanding_) sendNextQuery(host, settings);
}

void LagWatch::noteUnorderedQuery(const Player* target, const char* typedName,
                                  std::uint32_t typedLength,
                                  const Player* requester,
                                  bool startedCountdown) {
  // The oldest is the likeliest to have been lost.
  if (unordered_.size() == kMostWaiting) unordered_.popFront();
  CheckRequest* slot = unordered_.pushBack();
  if (slot == nullptr) return;
  fill(*slot, target, typedName, typedLength, requester, startedCountdown);
  slot->alreadyAsked = true;
}

void LagWatch::dropWaiting(WatchHost& host, const WatchSettings& settings) {
  for (std::size_t i = 0; i < waiting_.size(); ++i) {
    const CheckRequest& request = waiting_[i];
    if (request.alreadyAsked) continue;  // its answer is on its way
    line_ = "The lag check of ";
    line_ += request.targetName;
    line_ += " was dropped: checks no longer wait their turn";
    tellByName(host, request.requesterName, line_.chars());
    // The check never happened: its asker may ask again at once, unless
    // the query out started the same countdown.
    const Player* asker = request.countdownOf;
    if (asker != nullptr && !(outstanding_ && asked_.countdownOf == asker) &&
        isListed(host, asker)) {
      host.giveBackCountdown(asker);
    }
  }
  waiting_.removeUnasked();
  if (!outstanding_) sendNextQuery(host, settings);
}

void LagWatch::adoptUnorderedChecks(WatchHost& host,
                                    const WatchSettings& settings) {
  while (!unordered_.empty() && hasRoomFor(1)) {
    CheckRequest* slot = waiting_.pushBack();
    if (slot == nullptr) break;
    std::swap(*slot, unordered_.front());  // keeps both blocks
    unordered_.popFront();
  }
  unordered_.clear();
  if (!outstanding_) sendNextQuery(host, settings);
}

const CheckRequest* LagWatch::takeAnswered() {
  discarding_ = outstanding_ && leftArena_;
  if (!outstanding_) return nullptr;
  outstanding_ = false;
  return discarding_ ? nullptr : &asked_;
}

void LagWatch::tick(WatchHost& host, const WatchSettings& settings) {
  const _linkedlist<Player>* players = host.listedPlayers();
  if (players != nullptr && !listIsAsWalked(*players, true)) {
    // A newcomer's grace counts from this second. Players with a state
    // already are known from the walk over the same list, without a lookup.
    std::size_t position = 0;
    for (const _listnode<Player>* node = players->head; node != nullptr;
         node = node->next, ++position) {
      if (walkedAt(position, node->item)->state == nullptr) stateOf(node->item);
    }
    if (position != walkedLength_) {
      walkedLength_ = position;
      nextChoosableKnown_ = false;
    }
  }
  ++seconds_;
  if (outstanding_ &&
      ++secondsWaited_ >= static_cast<std::uint32_t>(settings.answerTimeout)) {
    outstanding_ = false;
    if (!asked_.automatic && !leftArena_) {
      line_ = "No answer came for the lag check of ";
      line_ += asked_.targetName;
      tellByName(host, asked_.requesterName, line_.chars());
    }
  }
  if (!outstanding_) sendNextQuery(host, settings);
}

void LagWatch::forget(const Player* player, std::int32_t memorySeconds) {
  const auto found = players_.find(player);
  if (found != players_.end()) {
    if (memorySeconds > 0) {
      rememberDeparted(player, found->second,
                       static_cast<std::uint32_t>(memorySeconds));
    }
    players_.erase(found);
    lastState_ = nullptr;
    walked_.clear();
    nextChoosableKnown_ = false;
  }
  waiting_.remove(player);
  unordered_.remove(player);
  // An answer still on its way is reported, but nobody is judged by it.
  if (outstanding_ && asked_.target == player) asked_.target = nullptr;
  if (asked_.countdownOf == player) asked_.countdownOf = nullptr;
}

void LagWatch::clear() {
  waiting_.clear();
  outstanding_ = false;
  players_.clear();
  lastState_ = nullptr;
  departed_.clear();
  walked_.clear();
  nextChoosableKnown_ = false;
}

void LagWatch::leaveArena() {
  // A check adopted from before ordered checks came on asked its player
  // already: it is still awaited in turn, so that its answer is taken for
  // no check of the next arena.
  waiting_.removeUnasked();
  for (std::size_t i = 0; i < waiting_.size(); ++i) {
    waiting_[i].target = nullptr;
    waiting_[i].countdownOf = nullptr;
    waiting_[i].ofArenaLeft = true;
  }
  unordered_.clear();
  players_.clear();
  lastState_ = nullptr;
  departed_.clear();
  walked_.clear();
  nextChoosableKnown_ = false;
  asked_.target = nullptr;
  leftArena_ = outstanding_;
}

std::int32_t LagWatch::recordStrike(const Player* player, bool reachedLimit,
                                    std::int32_t strikesNeeded,
                                    std::int32_t strikeGap) {
  PlayerState& state = stateOf(player);
  StrikeCount count{state.strikes, state.lastStrikeAt};
  const std::uint32_t sinceStrike = seconds_ - state.lastStrikeAt;
  std::int32_t strikes = 0;
  const StrikeStep step = countStrike(count, reachedLimit, strikesNeeded,
                                      strikeGap, seconds_, &strikes);
  state.strikes = count.strikes;
  state.lastStrikeAt = count.lastStrikeAt;
  state.strikeNote = StrikeNote::None;
  if (step == StrikeStep::Cleared) return 0;
  state.strikeNote =
      step == StrikeStep::TooSoon ? StrikeNote::TooSoon : StrikeNote::Struck;
  if (step == StrikeStep::TooSoon) state.sinceStrike = sinceStrike;
  state.notedStrikes = strikes;
  return strikes;
}

bool LagWatch::strikeCameTooSoon(const Player* player) const {
  const auto found = players_.find(player);
  return found != players_.end() &&
         found->second.strikeNote == StrikeNote::TooSoon;
}

std::int32_t LagWatch::strikesOf(const Player* player) const {
  const auto found = players_.find(player);
  return found == players_.end() ? 0 : found->second.strikes;
}

CheckHistory LagWatch::historyOf(const Player* player) const {
  CheckHistory history;
  const auto found = players_.find(player);
  if (found == players_.end()) return history;
  const PlayerState& state = found->second;
  for (int i = 1; i <= state.historyCount; ++i) {
    const JudgedCheck& check =
        state.history[(state.historyNext - i + kHistoryLength) %
                      kHistoryLength];
    history.checks[history.count++] = {check.currentPing, check.limits,
                                       check.verdicts};
  }
  return history;
}

StabilityEstimate LagWatch::estimateStability(
    const Player* player, const std::int32_t* present) const {
  return ::estimateStability(historyOf(player), present);
}

void LagWatch::recordJudged(const FigureTexts& figures, const Player* player,
                            std::uint8_t limits, DealAction action,
                            std::uint8_t verdicts, std::int32_t currentPing) {
  PlayerState& state = stateOf(player);
  JudgedCheck& check = state.history[state.historyNext];
  state.historyNext = (state.historyNext + 1) % kHistoryLength;
  if (state.historyCount < kHistoryLength) ++state.historyCount;
  check.when = seconds_;
  check.strikeNote = state.strikeNote;
  check.strikesAfter = state.notedStrikes;
  check.sinceStrike = state.sinceStrike;
  state.strikeNote = StrikeNote::None;
  static_assert(std::size(FigureTexts{}.texts) == 7, "one slot per figure");
  for (int i = 0; i < 7; ++i) {
    // Cut to kFigureSize - 1 bytes, a byte at a time: a few bytes, fewer
    // than a call to copy them pays for. Kept as text up to its first zero
    // byte, as it is read.
    const char* figure = figures.texts[i]->chars();
    char* kept = check.figures[i];
    int length = 0;
    while (length < kFigureSize - 1 && figure[length] != '\0') {
      kept[length] = figure[length];
      ++length;
    }
    kept[length] = '\0';
  }
  check.limits = limits;
  check.action = action;
  check.verdicts = verdicts;
  check.currentPing = currentPing;
  check.evidence = CheckEvidence{};  // recordEvidence() follows
  bump(recentChecks_);
  if (action != DealAction::None) bump(recentDeals_);
}

void LagWatch::showStatus(WatchHost& host, const Player* caller,
                          const WatchSettings& settings,
                          const FairSettings& fair) {
  std::uint32_t watched = 0;
  const _linkedlist<Player>* players = host.listedPlayers();
  if (settings.autoCheckInterval > 0 && players != nullptr) {
    for (const _listnode<Player>* node = players->head; node != nullptr;
         node = node->next) {
      const auto found = players_.find(node->item);
      if (found != players_.end() &&
          isWatched(settings, node->item, found->second)) {
        ++watched;
      }
    }
  }
  String& line = line_;
  if (settings.autoCheckInterval > 0) {
    line = "Lag watch: every ";
    line += settings.autoCheckInterval;
    line += " s";
  } else {
    line = "Lag watch: automatic checks off";
  }
  line += ", grace ";
  line += settings.graceSeconds;
  if (settings.memorySeconds > 0) {
    line += " s, memory ";
    line += settings.memorySeconds;
  }
  line += " s, strikes ";
  line += settings.strikesNeeded;
  line += ", highest level ";
  line += settings.autoCheckLevel;
  line += "; watched: ";
  line += static_cast<std::int32_t>(watched);
  line += ", waiting: ";
  line += static_cast<std::int32_t>(waiting_.size());
  line += "; last hour: checks: ";
  line += static_cast<std::int32_t>(lastHourSum(recentChecks_));
  line += ", dealt with: ";
  line += static_cast<std::int32_t>(lastHourSum(recentDeals_));
  // The fair settings, once any of them is away from its default (off).
  if (fair.stabilityJitter != 0 || fair.pingCeiling != 0 || fair.minPlayers != 0) {
    line += "; fair: stability ";
    line += fair.stabilityJitter;
    line += " ms, ping ceiling ";
    line += fair.pingCeiling;
    line += " ms, quorum ";
    line += fair.minPlayers;
  }
  host.sendPrivate(caller, line.chars());
}

void LagWatch::showHistory(WatchHost& host, const Player* caller,
                           const char* name, const WatchSettings& settings,
                           std::int32_t stabilityJitter) {
  bool anybody = false;
  if (const _linkedlist<Player>* players = host.listedPlayers()) {
    for (const _listnode<Player>* node = players->head; node != nullptr;
         node = node->next) {
      const Player* player = node->item;
      if (!player->nameEqualsIgnoreCase(name)) continue;
      anybody = true;
      // Looked up as the next Tick would: one back within memory= is
      // shown with what they kept.
      const PlayerState& state = stateOf(player);
      String& line = line_;
      line = "[";
      line.append(player->name, player->nameLength());
      line += "]  strikes: ";
      line += state.strikes;
      line += "/";
      line += settings.strikesNeeded;
      if (settings.strikeGapSeconds > 0 && state.strikes > 0) {
        line += "  (last strike ";
        line += static_cast<std::int32_t>(seconds_ - state.lastStrikeAt);
        line += " s ago, strikegap ";
        line += settings.strikeGapSeconds;
        line += " s)";
      }
      if (state.historyCount == 0) {
        line += "  no judged checks yet";
      } else if (stabilityJitter > 0) {
        appendStability(line, estimateStability(player, nullptr),
                        stabilityJitter);
      }
      host.sendPrivate(caller, line.chars());
      for (int i = 1; i <= state.historyCount; ++i) {
        const JudgedCheck& check =
            state.history[(state.historyNext - i + kHistoryLength) %
                           kHistoryLength];
        line = "  ";
        line += static_cast<std::int32_t>(seconds_ - check.when);
        line += " s ago";
        static const char* const kLabels[7] = {
            "  C: ",   "  Avg: ", "  L: ",   "  H: ",
            "  S2C: ", "  C2S: ", "  S2CW: "};
        for (int figure = 0; figure < 7; ++figure) {
          appendFigure(line, kLabels[figure], check.figures[figure]);
        }
        line += "  limits: ";
        appendLimitNames(line, check.limits);
        line += "  ";
        line += dealActionName(check.action);
        appendVerdicts(line, check.verdicts);
        if (settings.strikeGapSeconds > 0) appendStrikeNote(line, check);
        host.sendPrivate(caller, line.chars());
      }
    }
  }
  if (!anybody) {
    line_ = "Nobody of that name is here: ";
    line_ += name;
    host.sendPrivate(caller, line_.chars());
  }
}

void LagWatch::appendStrikeNote(String& line, const JudgedCheck& check) {
  if (check.strikeNote == StrikeNote::Struck) {
    line += "  strike ";
    line += check.strikesAfter;
  } else if (check.strikeNote == StrikeNote::TooSoon) {
    line += "  no strike: ";
    line += static_cast<std::int32_t>(check.sinceStrike);
    line += " s after strike ";
    line += check.strikesAfter;
  }
}

LagWatch::PlayerState& LagWatch::stateOf(const Player* player) {
  // A check asks for its player's state several times over.
  if (lastState_ != nullptr && lastStatePlayer_ == player) return *lastState_;
  const auto inserted = players_.try_emplace(player);
  PlayerState& state = inserted.first->second;
  if (inserted.second) {
    nextChoosableKnown_ = false;
    if (!recallDeparted(player, state)) state.listedSince = seconds_;
  }
  lastStatePlayer_ = player;
  lastState_ = &state;
  return state;
}

void LagWatch::rememberDeparted(const Player* player, const PlayerState& state,
                                std::uint32_t memorySeconds) {
  DepartedPlayer* slot = departedSlotFor(player);
  if (slot == nullptr) return;  // no room: they will start afresh
  const std::uint32_t length = player->nameLength();
  std::memcpy(slot->name, player->name, length);
  slot->name[length] = '\0';
  slot->forgetAt = seconds_ + memorySeconds < seconds_
                       ? UINT32_MAX
                       : seconds_ + memorySeconds;
  slot->state = state;
}

LagWatch::DepartedPlayer* LagWatch::departedSlotFor(const Player* player) {
  DepartedPlayer* soonest = nullptr;
  for (DepartedPlayer& departed : departed_) {
    if (player->nameEqualsIgnoreCase(departed.name)) return &departed;
    if (soonest == nullptr || departed.forgetAt < soonest->forgetAt) {
      soonest = &departed;
    }
  }
  if (soonest != nullptr && soonest->forgetAt < seconds_) return soonest;
  if (departed_.size() < kMostRemembered) {
    try {
      departed_.emplace_back();
      return &departed_.back();
    } catch (const std::bad_alloc&) {
    }
  }
  return soonest;  // the one that would be forgotten first
}

bool LagWatch::recallDeparted(const Player* player, PlayerState& state) {
  for (DepartedPlayer& departed : departed_) {
    if (!player->nameEqualsIgnoreCase(departed.name)) continue;
    if (departed.forgetAt < seconds_) return false;
    state = departed.state;
    departed.forgetAt = 0;  // recalled once; the slot is free again
    departed.name[0] = '\0';
    return true;
  }
  return false;
}

void LagWatch::sendNextQuery(WatchHost& host,
                             const WatchSettings& settings) {
  while (!waiting_.empty()) {
    const CheckRequest& request = waiting_.front();
    if (request.alreadyAsked) {
      // A check asked without the queue may be of a player no longer
      // listed: its answer is awaited all the same, judging nobody.
      awaitAnswer(request, isListed(host, request.target));
      waiting_.popFront();
      return;
    }
    const bool listed = isListed(host, request.target);
    if (listed) sendQuery(host, request);  // copied into the blocks asked_ has
    waiting_.popFront();
    if (listed) return;
  }
  if (settings.autoCheckInterval <= 0) return;
  const Player* due = mostOverdue(host, settings);
  if (due == nullptr) return;
  // Written into the request of the last query, which is no longer out, in
  // the blocks its names already have: an automatic query allocates nothing.
  asked_.target = due;
  asked_.targetName.assign(due->name, due->nameLength());
  asked_.requesterName = "";
  asked_.automatic = true;
  asked_.alreadyAsked = false;
  asked_.countdownOf = nullptr;
  asked_.ofArenaLeft = false;
  sendQuery(host, asked_);
}

void LagWatch::sendQuery(WatchHost& host, const CheckRequest& request) {
  awaitAnswer(request, true);
  host.sendPrivate(asked_.target, "*lag");
}

void LagWatch::awaitAnswer(const CheckRequest& request, bool listed) {
  if (listed) {
    PlayerState& state = stateOf(request.target);
    state.lastQueried = seconds_;
    state.queried = true;
    // An automatic query's player was chosen from the candidates and kept
    // as upcoming again; any other may fall due sooner than before.
    if (!request.automatic) nextChoosableKnown_ = false;
  }
  if (&request != &asked_) asked_ = request;  // into the blocks it has
  if (!listed) asked_.target = nullptr;
  outstanding_ = true;
  leftArena_ = request.ofArenaLeft;
  secondsWaited_ = 0;
}

bool LagWatch::isListed(const WatchHost& host, const Player* player) {
  const _linkedlist<Player>* players = host.listedPlayers();
  if (players == nullptr || player == nullptr) return false;
  for (const _listnode<Player>* node = players->head; node != nullptr;
       node = node->next) {
    if (node->item == player) return true;
  }
  return false;
}

bool LagWatch::isWatched(const WatchSettings& settings, const Player* player,
                         const PlayerState& state) const {
  return player->ship != kSpectatorShip &&
         player->accessLevel <=
             static_cast<std::uint32_t>(settings.autoCheckLevel) &&
         seconds_ - state.listedSince >=
             static_cast<std::uint32_t>(settings.graceSeconds);
}

// Inline: a Tick and a walk call it for every listed player.
inline const LagWatch::WalkedPlayer* LagWatch::walkedAt(
    std::size_t position, const Player* player) const {
  WalkedPlayer* walked = &unwalked_;
  if (position < walked_.size()) {
    walked = &walked_[position];
  } else {
    try {
      walked_.push_back(WalkedPlayer{});
      walked = &walked_.back();
    } catch (const std::bad_alloc&) {
      unwalked_ = WalkedPlayer{};  // looked up the slow way every time
    }
  }
  if (walked->player != player || walked->state == nullptr) {
    nextChoosableKnown_ = false;
    const auto found = players_.find(player);
    walked->player = player;
    walked->state = found == players_.end() ? nullptr : &found->second;
  }
  return walked;
}

std::uint32_t LagWatch::dueSecond(std::uint32_t listedSince,
                                  std::uint32_t lastQueried, bool queried,
                                  const WatchSettings& settings) {
  return queried ? lastQueried +
                       static_cast<std::uint32_t>(settings.autoCheckInterval)
                 : listedSince +
                       static_cast<std::uint32_t>(settings.graceSeconds);
}

std::uint64_t LagWatch::choosableAt(std::uint32_t listedSince,
                                    std::uint32_t lastQueried, bool queried,
                                    const WatchSettings& settings) const {
  const auto grace = static_cast<std::uint32_t>(settings.graceSeconds);
  const std::uint32_t due =
      dueSecond(listedSince, lastQueried, queried, settings);
  if (seconds_ >= due && seconds_ - listedSince >= grace) return seconds_;
  // listedSince is never after seconds_: a later second is returned.
  const std::uint64_t graceEnds = std::uint64_t{listedSince} + grace;
  return graceEnds > due ? graceEnds : due;
}

// A loop of its own for each use: it runs after every answer and at every
// Tick, and the test of a state would slow the first.
template <bool withStates>
bool LagWatch::listIsAsWalkedBy(const _linkedlist<Player>& players) const {
  if (walkedLength_ > walked_.size()) return false;
  // The walk's entries are stepped through as the nodes are, with one bound
  // for both.
  const WalkedPlayer* walked = walked_.data();
  const WalkedPlayer* const end = walked + walkedLength_;
  const _listnode<Player>* node = players.head;
  for (; walked != end; ++walked, node = node->next) {
    if (node == nullptr || node->item != walked->player) return false;
    if (withStates && walked->state == nullptr) return false;
  }
  return node == nullptr;
}

bool LagWatch::listIsAsWalked(const _linkedlist<Player>& players,
                              bool withStates) const {
  return withStates ? listIsAsWalkedBy<true>(players)
                    : listIsAsWalkedBy<false>(players);
}

bool LagWatch::keepNotChoosable(const Player* player, const PlayerState& state,
                                std::size_t position,
                                std::uint32_t lastQueried, bool queried,
                                const WatchSettings& settings) const {
  const std::uint32_t due =
      dueSecond(state.listedSince, lastQueried, queried, settings);
  const std::uint64_t choosable =
      choosableAt(state.listedSince, lastQueried, queried, settings);
  if (choosable != due) {
    // Kept out by their grace: rare, found by the next walk.
    if (choosable < nextChoosableAt_) nextChoosableAt_ = choosable;
    return true;
  }
  try {
    upcoming_.push_back(DueCandidate{player, &state, due, position});
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (due < nextDueAt_) nextDueAt_ = due;
  return true;
}

bool LagWatch::promoteFallenDue() const {
  std::uint64_t nextDue = UINT64_MAX;
  for (std::size_t i = 0; i < upcoming_.size();) {
    const DueCandidate& upcoming = upcoming_[i];
    if (seconds_ < upcoming.due) {
      if (upcoming.due < nextDue) nextDue = upcoming.due;
      ++i;
      continue;
    }
    try {
      candidates_.push_back(upcoming);
    } catch (const std::bad_alloc&) {
      return false;
    }
    upcoming_[i] = upcoming_.back();  // their order does not matter
    upcoming_.pop_back();
  }
  nextDueAt_ = nextDue;
  return true;
}

const Player* LagWatch::takeBestCandidate(
    const WatchSettings& settings) const {
  // The most overdue of those watched, the first listed of those equally
  // overdue; a host record is read only for one who would come first.
  auto best = candidates_.end();
  for (auto candidate = candidates_.begin(); candidate != candidates_.end();
       ++candidate) {
    if (best != candidates_.end() &&
        (candidate->due != best->due ? candidate->due > best->due
                                     : candidate->position > best->position)) {
      continue;
    }
    if (isWatched(settings, candidate->player, *candidate->state)) {
      best = candidate;
    }
  }
  if (best == candidates_.end()) return nullptr;
  const DueCandidate chosen = *best;
  *best = candidates_.back();  // their order does not matter
  candidates_.pop_back();
  // Asked now, they fall due an interval from now.
  if (!keepNotChoosable(chosen.player, *chosen.state, chosen.position,
                        seconds_, true, settings)) {
    nextChoosableKnown_ = false;
  }
  // One listed twice would stay a candidate after being asked.
  for (const DueCandidate& candidate : candidates_) {
    if (candidate.player == chosen.player) nextChoosableKnown_ = false;
  }
  return chosen.player;
}

void LagWatch::walkForCandidates(const _linkedlist<Player>& players,
                                 const WatchSettings& settings) const {
  candidates_.clear();
  upcoming_.clear();
  nextDueAt_ = UINT64_MAX;
  nextChoosableAt_ = UINT64_MAX;
  bool complete = true;  // every player kept as a candidate or upcoming
  try {
    // Room for all of them either way: a player moved between the two
    // later on allocates nothing.
    candidates_.reserve(walked_.size());
    upcoming_.reserve(walked_.size());
  } catch (const std::bad_alloc&) {
    complete = false;
  }
  std::size_t position = 0;
  for (const _listnode<Player>* node = players.head; node != nullptr;
       node = node->next, ++position) {
    const PlayerState* state = walkedAt(position, node->item)->state;
    if (state == nullptr) continue;
    // Whether they are due is known from their state: their host record
    // is read only when they may be chosen.
    if (choosableAt(state->listedSince, state->lastQueried, state->queried,
                    settings) > seconds_) {
      complete = keepNotChoosable(node->item, *state, position,
                                  state->lastQueried, state->queried,
                                  settings) &&
                 complete;
      continue;
    }
    try {
      candidates_.push_back(DueCandidate{
          node->item, state,
          dueSecond(state->listedSince, state->lastQueried, state->queried,
                    settings),
          position});
    } catch (const std::bad_alloc&) {
      complete = false;
    }
  }
  knownInterval_ = settings.autoCheckInterval;
  knownGrace_ = settings.graceSeconds;
  walkedLength_ = position;
  nextChoosableKnown_ = complete;
}

const Player* LagWatch::mostOverdue(const WatchHost& host,
                                    const WatchSettings& settings) const {
  const _linkedlist<Player>* players = host.listedPlayers();
  if (players == nullptr) return nullptr;
  // Between walks those who fell due since are taken from the upcoming:
  // the candidates are then those a walk would find.
  const bool known = nextChoosableKnown_ && seconds_ < nextChoosableAt_ &&
                     knownInterval_ == settings.autoCheckInterval &&
                     knownGrace_ == settings.graceSeconds &&
                     listIsAsWalked(*players) &&
                     (seconds_ < nextDueAt_ || promoteFallenDue());
  if (!known) walkForCandidates(*players, settings);
  return takeBestCandidate(settings);
}

void LagWatch::bump(std::uint32_t (&counts)[60]) {
  const std::uint32_t minute = seconds_ / 60;
  const std::uint32_t slot = minute % 60;
  if (bucketMinute_[slot] != minute) {
    bucketMinute_[slot] = minute;
    recentChecks_[slot] = 0;
    recentDeals_[slot] = 0;
  }
  ++counts[slot];
}

std::uint32_t LagWatch::lastHourSum(const std::uint32_t (&counts)[60]) const {
  const std::uint32_t minute = seconds_ / 60;
  std::uint32_t sum = 0;
  for (int slot = 0; slot < 60; ++slot) {
    if (minute - bucketMinute_[slot] < 60) sum += counts[slot];
  }
  return sum;
}
