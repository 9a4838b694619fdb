#include "sim/scenario_action.h"

#include <gtest/gtest.h>

namespace {

ScenarioAction parsed(const std::string& line) {
  ScenarioAction action;
  std::string error;
  EXPECT_TRUE(ScenarioAction::parse(line, &action, &error))
      << line << ": " << error;
  return action;
}

}  // namespace

TEST(ScenarioActionTest, SkipsCommentsAndBlankLinesButKeepsNotes) {
  EXPECT_EQ(ActionKind::Nothing, parsed("").kind);
  EXPECT_EQ(ActionKind::Nothing, parsed("   \t").kind);
  EXPECT_EQ(ActionKind::Nothing, parsed("# arrive Alice").kind);
  const ScenarioAction note = parsed("  ##  Alice arrives  ");
  EXPECT_EQ(ActionKind::Note, note.kind);
  EXPECT_EQ("Alice arrives", note.text);
}

TEST(ScenarioActionTest, ReadsArrivalsWithTheirOptions) {
  const ScenarioAction plain = parsed("arrive Alice");
  EXPECT_EQ(ActionKind::Arrive, plain.kind);
  EXPECT_EQ("Alice", plain.name);
  EXPECT_FALSE(plain.ident || plain.level || plain.ship || plain.pings ||
               plain.losses);

  const ScenarioAction full = parsed(
      "arrive \"John Doe\" ident=7 level=smod ship=8 ping=1/2/3/-4 "
      "loss=0.5/-3.0/2");
  EXPECT_EQ("John Doe", full.name);
  EXPECT_EQ(7u, *full.ident);
  EXPECT_EQ(3u, *full.level);
  EXPECT_EQ(8u, *full.ship);
  EXPECT_EQ("1/2/3/-4", *full.pings);
  EXPECT_EQ("0.5/-3.0/2", *full.losses);
  EXPECT_EQ(12u, *parsed("arrive Gus level=12").level);
  EXPECT_EQ(10u, *parsed("arrive Roy level=ROCKSTAR").level);
  EXPECT_EQ(4u, *parsed("arrive Sam level=sysop").level);
}

TEST(ScenarioActionTest, ReadsTheOtherActions) {
  EXPECT_EQ(0x00060005u, parsed("init").version);
  EXPECT_EQ(0x0006FFFFu, parsed("init 6.65535").version);
  EXPECT_EQ(0x00070000u, parsed("init 7.0").version);
  EXPECT_EQ(ActionKind::Term, parsed("term").kind);
  EXPECT_EQ(ActionKind::LeaveArena, parsed("leave-arena").kind);
  EXPECT_EQ(ActionKind::IniClear, parsed("ini-clear").kind);
  EXPECT_EQ(600u, parsed("wait 600").seconds);
  EXPECT_EQ(4u, *parsed("ship Bob 4").ship);
  EXPECT_EQ("Bob", parsed("leave Bob").name);
  EXPECT_EQ("Second", parsed("bot Second").name);
  EXPECT_FALSE(parsed("bot Second").arena);
  EXPECT_EQ("duel", parsed("bot Second arena=duel").arena.value_or(""));
  const ScenarioAction move = parsed("enter-arena \"the duel\"");
  EXPECT_EQ(ActionKind::EnterArena, move.kind);
  EXPECT_EQ("the duel", move.arena.value_or(""));
  const ScenarioAction figures = parsed("figures Bob loss=1/2/3");
  EXPECT_EQ(ActionKind::Figures, figures.kind);
  EXPECT_FALSE(figures.pings);
  EXPECT_EQ("1/2/3", *figures.losses);
}

TEST(ScenarioActionTest, TakesTextsExactlyAfterOneBlank) {
  EXPECT_EQ("  current=100 ", parsed("ini   current=100 ").text);
  EXPECT_EQ("", parsed("ini").text);
  EXPECT_EQ(ActionKind::IniSet, parsed("ini-set deal=3").kind);
  EXPECT_EQ(" PING \"x", parsed("server  PING \"x").text);

  const ScenarioAction typed = parsed("John Doe: !lagcheck  Bob ");
  EXPECT_EQ(ActionKind::Say, typed.kind);
  EXPECT_EQ("John Doe", typed.name);
  EXPECT_EQ("!lagcheck  Bob ", typed.text);
  EXPECT_EQ(" !x", parsed("Al:  !x").text);
  EXPECT_EQ("!x", parsed("\"Al\":!x").text);
  // A name may be a keyword when the colon follows it directly.
  EXPECT_EQ("wait", parsed("wait: hello").name);
}

TEST(ScenarioActionTest, NamesWhatIsWrong) {
  struct Case {
    const char* line;
    const char* error;
  } const cases[] = {
      {"jump Alice",
       "unknown action \"jump\" (a player's line is written "
       "NAME: TEXT)"},
      {"bot", "bot needs one NAME, and may have arena=ARENA after it"},
      {"bot A B", "bot needs one NAME, and may have arena=ARENA after it"},
      {"bot A arena=", "a name needs at least one character"},
      {"enter-arena", "enter-arena needs one ARENA"},
      {"enter-arena a b", "enter-arena needs one ARENA"},
      {"init 6",
       "\"6\" is not a version MAJOR.MINOR (such as 6.5; each 0 to "
       "65535)"},
      {"init 6.65536",
       "\"6.65536\" is not a version MAJOR.MINOR (such as "
       "6.5; each 0 to 65535)"},
      {"init 6.5 7.0",
       "init takes at most one version MAJOR.MINOR, such as "
       "6.5"},
      {"term now", "term takes nothing after it"},
      {"arrive", "arrive needs a player NAME"},
      {"arrive Al colour=red",
       "unknown option \"colour=red\" (the options "
       "are ident=, level=, ship=, ping=, loss=)"},
      {"arrive Al ship",
       "unknown option \"ship\" (the options are ident=, "
       "level=, ship=, ping=, loss=)"},
      {"arrive Al ship=1 ship=2", "the option ship= is given twice"},
      {"arrive Al ident=65536", "ident= needs a number from 0 to 65535"},
      {"arrive Al level=Boss",
       "level= needs a level from 0 to 12 or its name (Player, Limited, Mod "
       "or Moderator, SMod or SuperModerator, SOp or SysOp, Owner, Duke, "
       "Baron, King, Emperor, RockStar, Q, God; any letter case)"},
      {"arrive Al level=13",
       "level= needs a level from 0 to 12 or its name (Player, Limited, Mod "
       "or Moderator, SMod or SuperModerator, SOp or SysOp, Owner, Duke, "
       "Baron, King, Emperor, RockStar, Q, God; any letter case)"},
      {"arrive Al ship=9",
       "ship= needs a ship number from 0 to 8 (8 is "
       "spectating)"},
      {"arrive Al ping=1/2/3",
       "ping= needs four whole numbers "
       "CURRENT/AVERAGE/LOW/HIGH, such as "
       "120/95/80/300"},
      {"arrive Al loss=1/2/x",
       "loss= needs three percent figures "
       "S2C/C2S/WEAPONS, such as 0.5/1.9/0.0"},
      {"arrive \"John Doe level=1", "a quoted name has no closing quote"},
      {"arrive \"John\"Doe", "a closing quote must be followed by a blank"},
      {"arrive ThisNameIsFarTooLong!",
       "the name \"ThisNameIsFarTooLong!\" is "
       "longer than 20 characters"},
      {"figures Al", "figures needs ping=C/A/L/H, loss=S/C/W or both"},
      {"figures Al ship=1",
       "unknown option \"ship=1\" (the options are "
       "ping=, loss=)"},
      {"ship Al", "ship needs a player NAME and a ship number from 0 to 8"},
      {"ship Al 9", "ship needs a player NAME and a ship number from 0 to 8"},
      {"wait", "wait needs a number of seconds from 0 to 1000000"},
      {"wait -1", "wait needs a number of seconds from 0 to 1000000"},
      {"wait 1000001", "wait needs a number of seconds from 0 to 1000000"},
      {"leave", "leave needs one player NAME"},
      {"ini-set deal", "ini-set needs KEY=VALUE"},
      {"ini-set =3", "ini-set needs KEY=VALUE"},
      {": hello", "a name needs at least one character"},
  };
  for (const Case& c : cases) {
    ScenarioAction action;
    std::string error;
    EXPECT_FALSE(ScenarioAction::parse(c.line, &action, &error)) << c.line;
    EXPECT_EQ(c.error, error) << c.line;
  }
}
