#include "logging/value_table.h"

#include <gtest/gtest.h>

namespace cablog {
namespace {

TEST(ValueTable, StoresEachKindAsText) {
  ValueTable table;
  table.setInt("SIGNAL", -1);
  table.setFloat("SPEED", 0.1f);
  table.setDouble("LOCATION", 1234567.891);
  table.setBool("PILOTLAMP", true);
  table.setText("TIME_HHMMSS", "10:00:00.000");
  table.setText("MY_KEY", "anything");
  EXPECT_EQ(table.find("SIGNAL"), "-1");
  EXPECT_EQ(table.find("SPEED"), "0.1");
  EXPECT_EQ(table.find("LOCATION"), "1.23457e+006");
  EXPECT_EQ(table.find("PILOTLAMP"), "true");
  EXPECT_EQ(table.find("TIME_HHMMSS"), "10:00:00.000");
  EXPECT_EQ(table.find("MY_KEY"), "anything");
}

TEST(ValueTable, TheLastStoreWinsWhateverItsKind) {
  ValueTable table;
  table.setInt("TIME", 5);
  table.setText("TIME", "later");
  EXPECT_EQ(table.find("TIME"), "later");
  table.setBool(ValueKey::Time, false);
  EXPECT_EQ(table.find("TIME"), "false");
  table.setText("OTHER", "a");
  table.setInt("OTHER", 7);
  EXPECT_EQ(table.find("OTHER"), "7");
}

TEST(ValueTable, FindNeverInsertsAndKeysAreCaseSensitive) {
  ValueTable table;
  EXPECT_FALSE(table.find("SPEED"));
  EXPECT_FALSE(table.find("SPEED"));
  table.setFloat("SPEED", 3.0f);
  EXPECT_FALSE(table.find("speed"));
  EXPECT_EQ(table.find(ValueKey::Speed), "3");
  EXPECT_FALSE(table.find("NOT_SET"));
}

TEST(ValueTable, NamedAndSlotAccessAgree) {
  for (std::size_t i = 0; i < kValueKeyCount; ++i) {
    const auto key = static_cast<ValueKey>(i);
    ValueTable table;
    table.setInt(keyName(key), static_cast<std::int32_t>(i));
    EXPECT_EQ(table.find(key), std::to_string(i)) << keyName(key);
    EXPECT_EQ(knownKey(keyName(key)), key);
  }
  EXPECT_FALSE(knownKey("Speed"));
}

}  // namespace
}  // namespace cablog
