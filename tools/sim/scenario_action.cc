#include "sim/scenario_action.h"

#include <vector>

#include "hostkit/shown_text.h"
#include "sim/network_figures.h"
#include "util/player.h"
#include "util/text.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string trimmed(const std::string& text) {
  std::string::size_type start = 0;
  std::string::size_type end = text.size();
  while (start < end && isBlank(text[start])) ++start;
  while (end > start && isBlank(text[end - 1])) --end;
  return text.substr(start, end - start);
}

// Digits only, at most `highest`.
bool parseCount(const std::string& text, std::uint32_t highest,
                std::uint32_t* value) {
  if (text.empty() || text.size() > 10) return false;
  unsigned long long result = 0;
  for (char c : text) {
    if (!isDigit(c)) return false;
    result = result * 10 + static_cast<unsigned>(c - '0');
  }
  if (result > highest) return false;
  *value = static_cast<std::uint32_t>(result);
  return true;
}

// The words of `text`: runs of non-blanks, or a "quoted run" that may hold
// blanks (the quotes are not part of the word).
bool splitWords(const std::string& text, std::vector<std::string>* words,
                std::string* error) {
  std::string::size_type position = 0;
  while (true) {
    while (position < text.size() && isBlank(text[position])) ++position;
    if (position == text.size()) return true;
    if (text[position] == '"') {
      const std::string::size_type close = text.find('"', position + 1);
      if (close == std::string::npos) {
        *error = "a quoted name has no closing quote";
        return false;
      }
      words->push_back(text.substr(position + 1, close - position - 1));
      position = close + 1;
      if (position < text.size() && !isBlank(text[position])) {
        *error = "a closing quote must be followed by a blank";
        return false;
      }
    } else {
      const std::string::size_type start = position;
      while (position < text.size() && !isBlank(text[position])) ++position;
      words->push_back(text.substr(start, position - start));
    }
  }
}

bool checkName(const std::string& name, std::string* error) {
  if (name.empty()) {
    *error = "a name needs at least one character";
    return false;
  }
  if (name.size() > kLongestName) {
    *error = "the name " + quotedField(name) + " is longer than " +
             std::to_string(kLongestName) + " characters";
    return false;
  }
  if (name.find(':') != std::string::npos) {
    *error = "the name " + quotedField(name) + " holds a ':'";
    return false;
  }
  return true;
}

bool parseVersion(const std::string& text, std::uint32_t* version,
                  std::string* error) {
  const std::string::size_type dot = text.find('.');
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  if (dot == std::string::npos ||
      !parseCount(text.substr(0, dot), 0xFFFF, &major) ||
      !parseCount(text.substr(dot + 1), 0xFFFF, &minor)) {
    *error = quotedField(text) +
             " is not a version MAJOR.MINOR (such as 6.5; each 0 to 65535)";
    return false;
  }
  *version = major << 16 | minor;
  return true;
}

// Levels by their full names, beside the short ones of the plug-in's table
// ("SMod"), so that either spelling works.
const char* const kFullLevelNames[] = {
    "Player",   "Limited", "Moderator", "SuperModerator", "SysOp",
    "Owner",    "Duke",    "Baron",     "King",           "Emperor",
    "RockStar", "Q",       "God",
};

bool parseLevel(const std::string& text, std::uint32_t* level) {
  if (parseCount(text, OP_God, level)) return true;
  for (std::uint32_t candidate = OP_Player; candidate <= OP_God; ++candidate) {
    if (equalsIgnoreCase(text.c_str(), accessLevelName(candidate)) ||
        equalsIgnoreCase(text.c_str(), kFullLevelNames[candidate])) {
      *level = candidate;
      return true;
    }
  }
  return false;
}

std::string levelNames() {
  std::string names;
  for (std::uint32_t level = OP_Player; level <= OP_God; ++level) {
    if (!names.empty()) names += ", ";
    names += accessLevelName(level);
    if (!equalsIgnoreCase(accessLevelName(level), kFullLevelNames[level])) {
      names += std::string(" or ") + kFullLevelNames[level];
    }
  }
  return names + "; any letter case";
}

// A hint for a word that may be the second half of a name written without
// its quotes.
std::string quotingHint(const std::string& name, const std::string& word) {
  return "; a name with blanks stands in quotes: " +
         quotedField(name + " " + word);
}

// The NAME and the KEY=VALUE options of arrive and figures.
bool parsePlayerOptions(const std::vector<std::string>& words,
                        bool allowArrivalOptions, ScenarioAction* action,
                        std::string* error) {
  const std::string optionList = allowArrivalOptions
                                     ? "ident=, level=, ship=, ping=, loss="
                                     : "ping=, loss=";
  // words[0] is the keyword, words[1] the name.
  for (std::size_t i = 2; i < words.size(); ++i) {
    const std::string& word = words[i];
    const std::string::size_type equals = word.find('=');
    const std::string key = word.substr(0, equals);
    const std::string value =
        equals == std::string::npos ? "" : word.substr(equals + 1);
    const bool known = key == "ping" || key == "loss" ||
                       (allowArrivalOptions &&
                        (key == "ident" || key == "level" || key == "ship"));
    if (equals == std::string::npos || !known) {
      *error = "unknown option " + quotedField(word) + " (the options are " +
               optionList +
               (equals == std::string::npos && !known && i == 2
                    ? quotingHint(words[1], word)
                    : "") +
               ")";
      return false;
    }
    const bool repeated =
        (key == "ident" && action->ident) ||
        (key == "level" && action->level) || (key == "ship" && action->ship) ||
        (key == "ping" && action->pings) || (key == "loss" && action->losses);
    if (repeated) {
      *error = "the option " + key + "= is given twice";
      return false;
    }
    std::uint32_t number = 0;
    if (key == "ident") {
      if (!parseCount(value, 0xFFFF, &number)) {
        *error = "ident= needs a number from 0 to 65535";
        return false;
      }
      action->ident = static_cast<std::uint16_t>(number);
    } else if (key == "level") {
      if (!parseLevel(value, &number)) {
        *error = "level= needs a level from 0 to 12 or its name (" +
                 levelNames() + ")";
        return false;
      }
      action->level = number;
    } else if (key == "ship") {
      if (!parseCount(value, kHighestShip, &number)) {
        *error = "ship= needs a ship number from 0 to 8 (8 is spectating)";
        return false;
      }
      action->ship = static_cast<std::uint8_t>(number);
    } else if (key == "ping") {
      NetworkFigures figures;
      if (!figures.setPings(value)) {
        *error =
            "ping= needs four whole numbers CURRENT/AVERAGE/LOW/HIGH, such as "
            "120/95/80/300";
        return false;
      }
      action->pings = value;
    } else {
      NetworkFigures figures;
      if (!figures.setLosses(value)) {
        *error =
            "loss= needs three percent figures S2C/C2S/WEAPONS, such as "
            "0.5/1.9/0.0";
        return false;
      }
      action->losses = value;
    }
  }
  return true;
}

// NAME: TEXT. The name may hold blanks, or stand in quotes.
bool parseTypedLine(const std::string& line, const std::string& keyword,
                    ScenarioAction* action, std::string* error) {
  const std::string::size_type colon = line.find(':');
  if (colon == std::string::npos) {
    *error = "unknown action " + quotedField(keyword) +
             " (a player's line is written NAME: TEXT)";
    return false;
  }
  std::string name = trimmed(line.substr(0, colon));
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
    name = name.substr(1, name.size() - 2);
  }
  action->kind = ActionKind::Say;
  action->name = name;
  action->text = line.substr(colon + 1);
  if (!action->text.empty() && action->text[0] == ' ') action->text.erase(0, 1);
  return checkName(action->name, error);
}

// server-delay N, server-drop NAME, server-answer NAME and
// spike NAME SECONDS [ping=C/A/L/H] [loss=S/C/W].
bool parseServerLine(const std::string& keyword,
                     const std::vector<std::string>& words,
                     ScenarioAction* action, std::string* error) {
  const std::size_t argumentCount = words.size() - 1;
  if (keyword == "server-delay") {
    if (argumentCount != 1 ||
        !parseCount(words[1], kLongestWait, &action->seconds)) {
      *error = "server-delay needs a number of seconds from 0 to " +
               std::to_string(kLongestWait);
      return false;
    }
    action->kind = ActionKind::ServerDelay;
    return true;
  }
  if (keyword != "spike") {
    if (argumentCount != 1) {
      *error = keyword + " needs one player NAME";
      return false;
    }
    action->kind = keyword == "server-drop" ? ActionKind::ServerDrop
                                            : ActionKind::ServerAnswer;
    action->name = words[1];
    return checkName(action->name, error);
  }
  if (argumentCount < 3 ||
      !parseCount(words[2], kLongestWait, &action->seconds) ||
      action->seconds == 0) {
    *error = "spike needs a player NAME, a number of seconds from 1 to " +
             std::to_string(kLongestWait) +
             ", and ping=C/A/L/H, loss=S/C/W or both";
    return false;
  }
  action->kind = ActionKind::Spike;
  action->name = words[1];
  std::vector<std::string> options = words;
  options.erase(options.begin() + 2);  // the seconds: the options follow NAME
  return checkName(action->name, error) &&
         parsePlayerOptions(options, false, action, error);
}

// bot NAME [arena=ARENA] and enter-arena ARENA: where the bot is.
bool parseArenaLine(const std::string& keyword,
                    const std::vector<std::string>& words,
                    ScenarioAction* action, std::string* error) {
  const std::size_t argumentCount = words.size() - 1;
  if (keyword == "bot") {
    static const std::string kArenaOption = "arena=";
    if (argumentCount == 2 &&
        words[2].compare(0, kArenaOption.size(), kArenaOption) == 0) {
      action->arena = words[2].substr(kArenaOption.size());
    } else if (argumentCount != 1) {
      *error = "bot needs one NAME, and may have arena=ARENA after it";
      return false;
    }
    action->kind = ActionKind::Bot;
    action->name = words[1];
    return checkName(action->name, error) &&
           (!action->arena || checkName(*action->arena, error));
  }
  // The other: enter-arena.
  if (argumentCount != 1) {
    *error = "enter-arena needs one ARENA";
    return false;
  }
  action->kind = ActionKind::EnterArena;
  action->arena = words[1];
  return checkName(*action->arena, error);
}

// The host's own lines: init [MAJOR.MINOR], term, leave-arena, ini-clear
// and wait N.
bool parseHostLine(const std::string& keyword,
                   const std::vector<std::string>& words,
                   ScenarioAction* action, std::string* error) {
  const std::size_t argumentCount = words.size() - 1;
  if (keyword == "init") {
    action->kind = ActionKind::Init;
    if (argumentCount > 1) {
      *error = "init takes at most one version MAJOR.MINOR, such as 6.5";
      return false;
    }
    return argumentCount == 0 ||
           parseVersion(words[1], &action->version, error);
  }
  if (keyword == "term" || keyword == "leave-arena" || keyword == "ini-clear") {
    if (argumentCount != 0) {
      *error = keyword + " takes nothing after it";
      return false;
    }
    action->kind = keyword == "term"          ? ActionKind::Term
                   : keyword == "leave-arena" ? ActionKind::LeaveArena
                                              : ActionKind::IniClear;
    return true;
  }
  // The last of them: wait.
  if (argumentCount != 1 ||
      !parseCount(words[1], kLongestWait, &action->seconds)) {
    *error = "wait needs a number of seconds from 0 to " +
             std::to_string(kLongestWait);
    return false;
  }
  action->kind = ActionKind::Wait;
  return true;
}

// A player's lines: arrive NAME [OPTIONS], figures NAME [OPTIONS],
// ship NAME N and leave NAME.
bool parsePlayerLine(const std::string& keyword,
                     const std::vector<std::string>& words,
                     ScenarioAction* action, std::string* error) {
  const std::size_t argumentCount = words.size() - 1;
  if (keyword == "arrive" || keyword == "figures") {
    if (argumentCount == 0) {
      *error = keyword + " needs a player NAME";
      return false;
    }
    const bool arriving = keyword == "arrive";
    action->kind = arriving ? ActionKind::Arrive : ActionKind::Figures;
    action->name = words[1];
    // A host may list a player whose name is empty: arrive "" lists one.
    const bool emptyArrival = arriving && action->name.empty();
    if ((!emptyArrival && !checkName(action->name, error)) ||
        !parsePlayerOptions(words, arriving, action, error)) {
      return false;
    }
    if (!arriving && !action->pings && !action->losses) {
      *error = "figures needs ping=C/A/L/H, loss=S/C/W or both";
      return false;
    }
    return true;
  }
  if (keyword == "ship") {
    std::uint32_t ship = 0;
    if (argumentCount != 2 || !parseCount(words[2], kHighestShip, &ship)) {
      *error = "ship needs a player NAME and a ship number from 0 to 8";
      return false;
    }
    action->kind = ActionKind::Ship;
    action->name = words[1];
    action->ship = static_cast<std::uint8_t>(ship);
    return checkName(action->name, error);
  }
  // The last of them: leave.
  if (argumentCount != 1) {
    *error = "leave needs one player NAME";
    if (argumentCount == 2) *error += quotingHint(words[1], words[2]);
    return false;
  }
  action->kind = ActionKind::Leave;
  action->name = words[1];
  return checkName(action->name, error);
}

}  // namespace

bool ScenarioAction::parse(const std::string& line, ScenarioAction* action,
                           std::string* error) {
  *action = ScenarioAction();
  const std::string content = trimmed(line);
  if (content.compare(0, 2, "##") == 0) {
    action->kind = ActionKind::Note;
    action->text = trimmed(content.substr(2));
    return true;
  }
  if (content.empty() || content[0] == '#') return true;

  // The keyword is the line's first word; the verbatim texts start after the
  // one blank that follows it.
  std::string::size_type keywordStart = 0;
  while (isBlank(line[keywordStart])) ++keywordStart;
  std::string::size_type keywordEnd = keywordStart;
  while (keywordEnd < line.size() && !isBlank(line[keywordEnd])) ++keywordEnd;
  const std::string keyword =
      line.substr(keywordStart, keywordEnd - keywordStart);
  const std::string verbatim =
      keywordEnd < line.size() ? line.substr(keywordEnd + 1) : "";

  // Texts taken exactly.
  if (keyword == "ini" || keyword == "server") {
    action->kind = keyword == "ini" ? ActionKind::Ini : ActionKind::Server;
    action->text = verbatim;
    return true;
  }
  if (keyword == "ini-set") {
    const std::string::size_type equals = verbatim.find('=');
    if (equals == std::string::npos || equals == 0) {
      *error = "ini-set needs KEY=VALUE";
      return false;
    }
    action->kind = ActionKind::IniSet;
    action->text = verbatim;
    return true;
  }

  static const char* const kWordKeywords[] = {
      "bot",         "init",          "term",  "leave-arena", "ini-clear",
      "arrive",      "figures",       "ship",  "wait",        "server-delay",
      "server-drop", "server-answer", "spike", "enter-arena", "leave"};
  bool takesWords = false;
  for (const char* candidate : kWordKeywords) {
    if (keyword == candidate) takesWords = true;
  }
  if (!takesWords) return parseTypedLine(line, keyword, action, error);

  std::vector<std::string> words;
  if (!splitWords(line, &words, error)) return false;
  if (keyword == "bot" || keyword == "enter-arena") {
    return parseArenaLine(keyword, words, action, error);
  }
  if (keyword == "arrive" || keyword == "figures" || keyword == "ship" ||
      keyword == "leave") {
    return parsePlayerLine(keyword, words, action, error);
  }
  if (keyword == "server-delay" || keyword == "server-drop" ||
      keyword == "server-answer" || keyword == "spike") {
    return parseServerLine(keyword, words, action, error);
  }
  return parseHostLine(keyword, words, action, error);
}
