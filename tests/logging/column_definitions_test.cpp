#include "logging/column_definitions.h"

#include <gtest/gtest.h>

namespace cablog {
namespace {

using Columns = std::vector<std::pair<std::string, std::string>>;

Columns parse(std::string_view bytes) {
  Columns columns;
  for (const auto& d : parseColumnDefinitions(bytes)) columns.emplace_back(d.key, d.label);
  return columns;
}

TEST(ColumnDefinitions, CountsFieldsAsTheFileRulesSay) {
  const struct {
    const char* line;
    Columns columns;
  } cases[] = {
      {"SPEED,Speed", {{"SPEED", "Speed"}}},
      {"SPEED,Speed,", {{"SPEED", "Speed"}}},
      {"SPEED,,x", {{"SPEED", ""}}},
      {"Time,Clock,extra", {{"TIME", "Clock"}}},
      {"SPEED", {}},
      {"SPEED,", {}},
      {",", {}},
      {",,", {{"", ""}}},
      {"", {}},
      {"speed, Speed [km/h] ", {{"SPEED", " Speed [km/h] "}}},
      {" speed,x", {{" SPEED", "x"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(parse(c.line), c.columns) << c.line;
}

TEST(ColumnDefinitions, ReadsLinesInOrderKeepingDuplicates) {
  EXPECT_EQ(parse("speed,Speed [km/h]\nbc,BC pressure\nspeed,Again\n"),
            (Columns{{"SPEED", "Speed [km/h]"}, {"BC", "BC pressure"}, {"SPEED", "Again"}}));
}

TEST(ColumnDefinitions, UpperCasesOnlyAsciiLettersAndKeepsLabelBytes) {
  const std::string label("\xe9t\xc3\xa9\0\r", 6);
  EXPECT_EQ(parse("b\xe9ta_1," + label), (Columns{{"B\xe9TA_1", label}}));
}

TEST(ColumnDefinitions, FollowsTextModeLineRules) {
  // CR LF reads as LF; a lone CR stays part of the text.
  EXPECT_EQ(parse("a,A\r\nb,B\r\n"), (Columns{{"A", "A"}, {"B", "B"}}));
  EXPECT_EQ(parse("a,A\rb,B"), (Columns{{"A", "A\rb"}}));
  EXPECT_EQ(parse("a,A\r\r\n"), (Columns{{"A", "A\r"}}));
  // Ctrl-Z ends the text.
  EXPECT_EQ(parse("a,A\nb,B\x1a\nc,C\n"), (Columns{{"A", "A"}, {"B", "B"}}));
  EXPECT_EQ(parse("\x1a"
                  "a,A"),
            Columns{});
}

TEST(ColumnDefinitions, OnlyALeadingUtf8ByteOrderMarkIsSkipped) {
  EXPECT_EQ(parse("\xef\xbb\xbfspeed,S"), (Columns{{"SPEED", "S"}}));
  EXPECT_EQ(parse("a,A\n\xef\xbb\xbfspeed,S"), (Columns{{"A", "A"}, {"\xef\xbb\xbfSPEED", "S"}}));
  EXPECT_EQ(parse("\xef\xbb\xbf\xef\xbb\xbfspeed,S"), (Columns{{"\xef\xbb\xbfSPEED", "S"}}));
  EXPECT_EQ(parse("\xef\xbbspeed,S"), (Columns{{"\xef\xbbSPEED", "S"}}));
}

}  // namespace
}  // namespace cablog
