#include "spawn/message_template.h"

#include "spawn/placeholder_names.h"
#include "util/text.h"

namespace {

std::size_t lengthOf(const char* text, std::size_t most) {
  std::size_t length = 0;
  while (length < most && text[length] != '\0') ++length;
  return length;
}

// Appends up to `most` bytes of `text`, never beyond kLongestMessage.
void appendBounded(String& out, const char* text, std::size_t most) {
  const std::size_t room = MessageTemplate::kLongestMessage - out.size();
  const std::size_t length = lengthOf(text, most < room ? most : room);
  out.append(text, static_cast<std::uint32_t>(length));
}

}  // namespace

void MessageTemplate::expand(const char* text, const MessageFacts& facts,
                             String& out) {
  out = "";
  std::size_t position = 0;
  PlaceholderFound found;
  while (out.size() < kLongestMessage &&
         findPlaceholder(text, position, &found)) {
    appendBounded(out, text + position, found.start - position);
    position = found.start + found.length;
    const Placeholder meaning = found.meaning;
    const auto index = static_cast<std::size_t>(meaning);
    IntegerText number;
    switch (meaning) {
      case Placeholder::Name:
        appendBounded(out, facts.name, kLongestFact);
        break;
      case Placeholder::Current:
      case Placeholder::Average:
      case Placeholder::Low:
      case Placeholder::High:
      case Placeholder::S2c:
      case Placeholder::C2s:
      case Placeholder::S2cWeapons:
        appendBounded(out, facts.figures[index - 1], kLongestFact);
        break;
      case Placeholder::Limit:
        appendBounded(out, facts.limit, kLongestFact);
        break;
      case Placeholder::LimitName:
        appendBounded(out, facts.limitName, kLongestFact);
        break;
      case Placeholder::Strikes:
      case Placeholder::MaxStrikes:
        appendBounded(out,
                      decimalText(number, meaning == Placeholder::Strikes
                                              ? facts.strikes
                                              : facts.maxStrikes),
                      kLongestFact);
        break;
      case Placeholder::Action:
        appendBounded(out, facts.action, kLongestFact);
        break;
      case Placeholder::Allowance:
        appendBounded(out, decimalText(number, facts.allowanceMs),
                      kLongestFact);
        break;
      case Placeholder::Seconds:
        if (facts.streakSeconds >= 0) {
          appendBounded(out, decimalText(number, facts.streakSeconds),
                        kLongestFact);
        } else {
          appendBounded(out, text + found.start, found.length);
        }
        break;
      case Placeholder::Unknown:
        appendBounded(out, text + found.start, found.length);
        break;
    }
  }
  appendBounded(out, text + position, kLongestMessage);
}
