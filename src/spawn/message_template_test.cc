#include "spawn/message_template.h"

#include <gtest/gtest.h>

#include <string>

#include "spawn/placeholder_names.h"

namespace {

MessageFacts bobsFacts() {
  MessageFacts facts;
  facts.name = "Bob";
  facts.figures[0] = "480";
  facts.figures[1] = "450";
  facts.figures[4] = "3.5";
  facts.limit = "300 ms";
  facts.limitName = "PING Current";
  facts.strikes = 2;
  facts.maxStrikes = 3;
  return facts;
}

std::string expanded(const char* text, const MessageFacts& facts) {
  String out;
  MessageTemplate::expand(text, facts, out);
  return out.chars();
}

// What an operator writes: known placeholders in any letter case; unknown
// ones, and braces that make no placeholder, stay as typed.
TEST(MessageTemplateTest, ReplacesKnownPlaceholdersAndKeepsTheRest) {
  const MessageFacts facts = bobsFacts();
  EXPECT_EQ(expanded("*warn {name}: {CURRENT}/{Average} ms over {limit} "
                     "({limitname}), strike {strikes} of {maxstrikes}",
                     facts),
            "*warn Bob: 480/450 ms over 300 ms (PING Current), strike 2 of 3");
  EXPECT_EQ(expanded("{pign} {} { name} {name {{name}} }{s2c}%", facts),
            "{pign} {} { name} {name {Bob} }3.5%");
  EXPECT_EQ(expanded("{low}{high}|{c2s}", facts), "|");
  EXPECT_EQ(expanded("no placeholder at all", facts), "no placeholder at all");
  // A word longer than any placeholder is plain text, however long.
  EXPECT_EQ(expanded("{abcdefghijklmnopq}", facts), "{abcdefghijklmnopq}");
}

// Facts are bounded, and so is the whole: a message never outgrows what a
// line of tarvok.ini could send, whatever the names and figures.
TEST(MessageTemplateTest, BoundsFactsAndTheWholeMessage) {
  MessageFacts facts = bobsFacts();
  const std::string longFigure(100, '9');
  facts.figures[0] = longFigure.c_str();
  EXPECT_EQ(expanded("{current}", facts),
            std::string(MessageTemplate::kLongestFact, '9'));
  std::string text = "*warn ";
  for (int i = 0; i < 40; ++i) text += "{current}";
  const std::string result = expanded(text.c_str(), facts);
  EXPECT_EQ(result.size(), MessageTemplate::kLongestMessage);
  EXPECT_EQ(result.substr(0, 8), "*warn 99");
  const std::string plain(400, 'x');
  EXPECT_EQ(expanded(plain.c_str(), facts).size(),
            MessageTemplate::kLongestMessage);
}

// check-ini and the plug-in find the same placeholders.
TEST(MessageTemplateTest, FindsEachPlaceholderWithItsMeaning) {
  const char* text = "a{Name}b{nope}{maxstrikes}";
  PlaceholderFound found;
  ASSERT_TRUE(findPlaceholder(text, 0, &found));
  EXPECT_EQ(found.start, 1u);
  EXPECT_EQ(found.length, 6u);
  EXPECT_EQ(found.meaning, Placeholder::Name);
  ASSERT_TRUE(findPlaceholder(text, found.start + found.length, &found));
  EXPECT_EQ(found.meaning, Placeholder::Unknown);
  ASSERT_TRUE(findPlaceholder(text, found.start + found.length, &found));
  EXPECT_EQ(found.meaning, Placeholder::MaxStrikes);
  EXPECT_FALSE(findPlaceholder(text, found.start + found.length, &found));
}

}  // namespace
