// Command: the host's parsed form of a chat command line such as
// "lagcheck Bob" or "laglimitset -p=300 -a=200" (the leading '!' removed).
// The constructor is the parser. The command word is lower-cased and ends at
// the first blank or '-'; switches ("-p=300") come before the parameter text;
// the parameter text keeps its inner and trailing blanks. The Command owns
// `commandName`, `parameterText` and its switches. The layout is the host's:
// {switches, commandName, parameterText} and _switch {letter, valueText}.
#ifndef TARVOK_UTIL_COMMAND_H_
#define TARVOK_UTIL_COMMAND_H_

#include <cstdint>

#include "host/linked_list.h"

struct _switch {
  std::uint8_t letter;  // lower case
  char* valueText;      // owned; empty text when the switch has no value

  // Copies `value`, terminator included.
  _switch(std::uint8_t letter, const char* value);
  ~_switch();
  _switch(const _switch&) = delete;
  _switch& operator=(const _switch&) = delete;
};

struct Command {
  _linkedlist<_switch> switches;  // in the order typed
  char* commandName;              // owned, lower case
  char* parameterText;            // owned; empty text when there is none

  explicit Command(const char* line);
  ~Command();
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  // `commandName` equals `name` exactly (pass lower-case names).
  bool commandIs(const char* name) const;
  // `parameterText`, lower-cased, equals `topic` (pass lower-case topics).
  bool parameterIs(const char* topic) const;
  // The first switch with exactly this letter, or nullptr.
  const _switch* findSwitch(std::uint8_t letter) const;
  // Turns one switch token (without its leading '-') into switches.
  void addSwitches(const char* token);
};

#endif  // TARVOK_UTIL_COMMAND_H_
