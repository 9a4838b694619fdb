#include "util/command.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "util/text.h"

// The host reads and builds these records with its own 32-bit layout.
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(_listnode<_switch>) == 12, "host list node layout");
static_assert(sizeof(_linkedlist<_switch>) == 16, "host list layout");
static_assert(offsetof(_linkedlist<_switch>, count) == 8, "host list layout");
static_assert(offsetof(_linkedlist<_switch>, keepItems) == 12,
              "host list layout");
static_assert(offsetof(Command, switches) == 0, "host command layout");
static_assert(offsetof(Command, commandName) == 16, "host command layout");
static_assert(offsetof(Command, parameterText) == 20, "host command layout");
static_assert(offsetof(_switch, letter) == 0, "host switch layout");
static_assert(offsetof(_switch, valueText) == 4, "host switch layout");
#endif

namespace {

// A heap copy of `text`, terminator included.
char* copyOf(const char* text) {
  const std::size_t size = std::size_t{textLength(text)} + 1;
  char* const block = new char[size];
  std::memcpy(block, text, size);
  return block;
}

}  // namespace

_switch::_switch(std::uint8_t letter, const char* value)
    : letter(letter), valueText(copyOf(value)) {}

_switch::~_switch() { delete[] valueText; }

Command::Command(const char* line)
    : commandName(nullptr), parameterText(nullptr) {
  // Both texts get a block as long as the line, so any part of it fits.
  const std::size_t blockSize = std::size_t{textLength(line)} + 1;
  std::unique_ptr<char[]> name(new char[blockSize]());
  std::unique_ptr<char[]> parameter(new char[blockSize]());

  bool readingName = true;
  bool readingSwitch = false;
  bool parameterStarted = false;
  bool afterBlank = false;
  std::string token;
  auto takeName = [&] { std::memcpy(name.get(), token.data(), token.size()); };

  for (const char* at = line;; ++at) {
    const char c = *at;
    if (c == '\0') {
      if (readingName) {
        takeName();
      } else if (readingSwitch) {
        addSwitches(token.c_str());
      } else {
        std::memcpy(parameter.get(), token.data(), token.size());
      }
      break;
    }
    if (c == ' ') {
      if (readingName) {
        takeName();
        readingName = false;
        token.clear();
      } else if (readingSwitch) {
        addSwitches(token.c_str());
        readingSwitch = false;
        token.clear();
      } else if (parameterStarted) {
        token += c;
      }
      afterBlank = true;
    } else if (c == '-') {
      if (readingName) {
        takeName();
        readingName = false;
        readingSwitch = true;
        token.clear();
      } else if (readingSwitch || parameterStarted) {
        token += c;
      } else {
        readingSwitch = true;  // the '-' that opens a switch is dropped
      }
      afterBlank = false;
    } else if (readingName) {
      token += toLowerChar(c);
    } else {
      if (afterBlank) {
        parameterStarted = true;
        afterBlank = false;
      }
      token += c;
    }
  }
  commandName = name.release();
  parameterText = parameter.release();
}

Command::~Command() {
  delete[] commandName;
  delete[] parameterText;
  // `switches` then destroys every _switch with its value.
}

bool Command::commandIs(const char* name) const {
  return std::strcmp(commandName, name) == 0;
}

bool Command::parameterIs(const char* topic) const {
  for (std::size_t i = 0;; ++i) {
    if (toLowerChar(parameterText[i]) != topic[i]) return false;
    if (topic[i] == '\0') return true;
  }
}

const _switch* Command::findSwitch(std::uint8_t letter) const {
  for (const _listnode<_switch>* node = switches.head; node != nullptr;
       node = node->next) {
    if (node->item->letter == letter) return node->item;
  }
  return nullptr;
}

void Command::addSwitches(const char* token) {
  bool atLetters = true;
  std::uint8_t letter = 0;
  _listnode<_switch>* letterNode = nullptr;  // the current letter's switch
  std::string value;
  for (const char* at = token;; ++at) {
    const char c = *at;
    if (c == '\0') {
      // The last letter takes the value: its switch is made again with it.
      if (letterNode != nullptr && !atLetters) {
        _switch* const valued = new _switch(letter, value.c_str());
        switches.removeNode(letterNode);
        if (!switches.appendItem(valued)) delete valued;
      }
      return;
    }
    if (c == '-') {
      if (!atLetters) value += c;
      atLetters = false;
    } else if (c == '=') {
      atLetters = false;
    } else if (atLetters) {
      letter = static_cast<std::uint8_t>(toLowerChar(c));
      _switch* const plain = new _switch(letter, "");
      if (switches.appendItem(plain)) {
        letterNode = switches.tail;
      } else {
        delete plain;
        letterNode = nullptr;
      }
    } else {
      value += c;
    }
  }
}
