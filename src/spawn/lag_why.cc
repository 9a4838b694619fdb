// Disputes: "!lagwhy" shows the checks behind the last warning or move of a
// player from the lag watch's history, with what each was measured against
// (CheckEvidence); a manual check that the quorum holds says so in the
// arena ("sayholds=1").
#include <cstdint>

#include "spawn/spawn.h"
#include "util/command.h"
#include "util/player.h"

namespace {

// The judged figures of a history entry and the limit each is held to, by
// the index of its figure text and of its limit.
struct WhyFigure {
  const char* label;
  int figure;
  int limit;
};

constexpr WhyFigure kWhyFigures[] = {
    {"  C: ", 0, 0},   {"  Avg: ", 1, 1},  {"  S2C: ", 4, 2},
    {"  C2S: ", 5, 3}, {"  S2CW: ", 6, 4},
};

// "moved to spectator mode" or "warned".
const char* dealingText(DealAction action) {
  return action == DealAction::Spectated ? "moved to spectator mode"
                                         : "warned";
}

}  // namespace

std::uint32_t LagWatch::recordEvidence(const Player* player,
                                       CheckEvidence evidence) {
  PlayerState& state = stateOf(player);
  if (state.historyCount == 0) return 0;
  JudgedCheck& check =
      state.history[(state.historyNext + kHistoryLength - 1) % kHistoryLength];
  evidence.streakStart = check.when;
  // The check before belongs to the same run of strikes while that run was
  // not complete and this check has at least its strikes (a check the
  // quorum held keeps them).
  if (evidence.strikes >= 1 && state.historyCount > 1) {
    const JudgedCheck& before =
        state.history[(state.historyNext + kHistoryLength - 2) %
                      kHistoryLength];
    const CheckEvidence& earlier = before.evidence;
    if (earlier.strikes >= 1 && earlier.strikes < earlier.strikesNeeded &&
        earlier.strikes <= evidence.strikes) {
      evidence.streakStart = earlier.streakStart;
    }
  }
  check.evidence = evidence;
  return check.when - evidence.streakStart;
}

void LagWatch::showWhy(WatchHost& host, const Player* caller,
                       const Player* player) {
  String& line = line_;
  line = "[";
  line.append(player->name, player->nameLength());
  line += "]  ";
  const auto found = players_.find(player);
  const PlayerState* state = found == players_.end() ? nullptr : &found->second;
  const auto newest = [state](int i) -> const JudgedCheck& {
    return state->history[(state->historyNext + kHistoryLength - i) %
                          kHistoryLength];
  };
  int dealt = 0;  // 1: the newest check
  for (int i = 1; state != nullptr && i <= state->historyCount; ++i) {
    const DealAction action = newest(i).action;
    if (action == DealAction::Warned || action == DealAction::Spectated) {
      dealt = i;
      break;
    }
  }
  if (dealt == 0) {
    line += "no dealing remembered";
    host.sendPrivate(caller, line.chars());
    return;
  }
  const JudgedCheck& dealing = newest(dealt);
  const CheckEvidence& proof = dealing.evidence;
  line += dealingText(dealing.action);
  line += " ";
  line += static_cast<std::int32_t>(seconds_ - dealing.when);
  line += " s ago: ";
  line += proof.strikes;
  line += proof.strikes == 1 ? " strike of " : " strikes of ";
  line += proof.strikesNeeded;
  line += " in ";
  line += static_cast<std::int32_t>(dealing.when - proof.streakStart);
  line += " s";
  // The run's checks, oldest first: those of its strikes still remembered.
  int oldest = dealt;
  while (oldest < state->historyCount) {
    const CheckEvidence& older = newest(oldest + 1).evidence;
    if (older.streakStart != proof.streakStart || older.strikes < 1 ||
        older.strikes >= older.strikesNeeded ||
        older.strikes > newest(oldest).evidence.strikes) {
      break;
    }
    ++oldest;
  }
  if (newest(oldest).evidence.strikes > 1) {
    line += " (its first checks are no longer remembered)";
  }
  host.sendPrivate(caller, line.chars());
  for (int i = oldest; i >= dealt; --i) {
    const JudgedCheck& check = newest(i);
    line = "  ";
    line += static_cast<std::int32_t>(seconds_ - check.when);
    line += " s ago";
    for (const WhyFigure& figure : kWhyFigures) {
      line += figure.label;
      line += check.figures[figure.figure];
      line += "/";
      line += check.evidence.limits[figure.limit];
    }
    line += "  over: ";
    appendLimitNames(line, check.limits);
    line += "  strikes ";
    line += check.evidence.strikes;
    line += "/";
    line += check.evidence.strikesNeeded;
    line += "  ";
    line += dealActionName(check.action);
    if (check.evidence.allowanceMs != 0) {
      line += "  allowance +";
      line += check.evidence.allowanceMs;
      line += " ms";
    }
    if (check.verdicts & kVerdictNoQuorum) line += "  no quorum";
    if (check.verdicts & kVerdictSteady) line += "  steady";
    host.sendPrivate(caller, line.chars());
  }
}

void botInfo::onWhyCommand(const Player* caller, const Command* command) {
  const char* name = command->parameterText;
  while (*name == ' ') ++name;
  if (*name == '\0' || caller->nameEqualsIgnoreCase(name)) {
    watch.showWhy(watchHost_, caller, caller);
    return;
  }
  // A player asks about themselves only.
  if (caller->accessLevel < OP_SuperModerator) return;
  bool anybody = false;
  if (playerList != nullptr) {
    for (const _listnode<Player>* node = playerList->head; node != nullptr;
         node = node->next) {
      if (!node->item->nameEqualsIgnoreCase(name)) continue;
      anybody = true;
      watch.showWhy(watchHost_, caller, node->item);
    }
  }
  if (!anybody) {
    scratchText = "Nobody of that name is here: ";
    scratchText += name;
    sendPrivate(caller, scratchText.chars());
  }
}

void botInfo::sayQuorumHold(const String& target) {
  const std::int32_t inShips = countInShips();
  scratchText = "*arena";
  scratchText += target;
  scratchText += " is over the limits but not dealt with: only ";
  scratchText += inShips;
  scratchText += inShips == 1 ? " player is" : " players are";
  scratchText += " in ships, ";
  scratchText += fair.minPlayers;
  scratchText += " needed";
  sendPublic(scratchText.chars());
}
