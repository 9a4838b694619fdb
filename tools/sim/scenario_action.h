// ScenarioAction: one line of a simulator scenario, parsed. The language has
// one action per line; '#' starts a comment line and blank lines do nothing,
// but a line starting with "##" is a note shown in the transcript.
//
//   bot NAME [arena=ARENA]   switch to bot NAME, adding it to the host if new;
//                            with arena=, the bot enters ARENA if elsewhere
//   init [MAJOR.MINOR]       the host connects the plug-in (Init, 6.5 default)
//   term                     the host disconnects it (Term)
//   arrive NAME [ident=N] [level=L] [ship=N] [ping=C/A/L/H] [loss=S/C/W]
//                            (NAME may be "": a player without a name)
//   figures NAME [ping=C/A/L/H] [loss=S/C/W]
//   ship NAME N              the player changes ship
//   NAME: TEXT               the player types TEXT
//   wait N                   N seconds pass, one Tick each
//   leave NAME               the player leaves
//   leave-arena              the bot leaves its arena (ArenaLeave)
//   enter-arena ARENA        the bot moves to ARENA (ArenaLeave, ArenaEnter)
//   ini TEXT                 add the line TEXT to tarvok.ini
//   ini-set KEY=VALUE        replace the lines starting with "KEY=" (or add)
//   ini-clear                empty tarvok.ini
//   server TEXT              the zone server sends TEXT (chat type 0)
//   server-delay N           from now on "*lag" is answered N seconds late
//   server-drop NAME         the server stops answering "*lag" for NAME
//   server-answer NAME       ... and answers it again
//   spike NAME SECONDS [ping=C/A/L/H] [loss=S/C/W]
//                            the figures for SECONDS seconds, then the old ones
//
// A NAME or ARENA is one word or a "quoted name" of up to 20 characters;
// before the colon of a typed line it may hold blanks without quotes. Texts
// of ini, ini-set, server and typed lines are taken exactly, blanks
// included.
#ifndef TARVOK_TOOLS_SIM_SCENARIO_ACTION_H_
#define TARVOK_TOOLS_SIM_SCENARIO_ACTION_H_

#include <cstdint>
#include <optional>
#include <string>

enum class ActionKind {
  Nothing,  // blank line or comment
  Note,     // "## text": shown in the transcript
  Bot,
  Init,
  Term,
  Arrive,
  Figures,
  Ship,
  Say,
  Wait,
  Leave,
  LeaveArena,
  EnterArena,
  Ini,
  IniSet,
  IniClear,
  Server,
  ServerDelay,
  ServerDrop,
  ServerAnswer,
  Spike,
};

struct ScenarioAction {
  ActionKind kind = ActionKind::Nothing;
  std::string name;  // the bot or the player the line is about
  std::string text;  // typed text, tarvok.ini line, server line
  std::uint32_t version = 0x00060005;  // Init: major << 16 | minor
  std::uint32_t seconds = 0;           // Wait, ServerDelay, Spike
  std::optional<std::uint16_t> ident;
  std::optional<std::uint32_t> level;
  std::optional<std::uint8_t> ship;
  std::optional<std::string> pings;   // "C/A/L/H", already checked
  std::optional<std::string> losses;  // "S/C/W", already checked
  std::optional<std::string> arena;   // Bot, EnterArena

  // Parses one line (without its line end). False, with a message that
  // names what is wrong, for a line that is not in the language.
  static bool parse(const std::string& line, ScenarioAction* action,
                    std::string* error);
};

// The highest ship number; ship 8 is spectating.
constexpr std::uint32_t kHighestShip = 8;
// The longest wait one line may ask for, in seconds (over eleven days).
constexpr std::uint32_t kLongestWait = 1000000;
// The longest player or bot name: the host's record holds 20 bytes, without
// an end when they are all used.
constexpr std::size_t kLongestName = 20;

#endif  // TARVOK_TOOLS_SIM_SCENARIO_ACTION_H_
