#include "logging/value_table.h"

#include <gtest/gtest.h>

namespace cablog {
namespace {

TEST(ValueTable, StoresEachKindAsTextAndTheLastStoreWins) {
  ValueTable table;
  EXPECT_FALSE(table.find(ValueKey::Time));
  table.setInt(ValueKey::Signal, -1);
  table.setFloat(ValueKey::Speed, 0.1f);
  table.setDouble(ValueKey::Location, 1234567.891);
  table.setBool(ValueKey::PilotLamp, true);
  table.setText(ValueKey::TimeHhmmss, "10:00:00.000");
  EXPECT_EQ(table.find(ValueKey::Signal), "-1");
  EXPECT_EQ(table.find(ValueKey::Speed), "0.1");
  EXPECT_EQ(table.find(ValueKey::Location), "1.23457e+006");
  EXPECT_EQ(table.find(ValueKey::PilotLamp), "true");
  EXPECT_EQ(table.find(ValueKey::TimeHhmmss), "10:00:00.000");
  table.setInt(ValueKey::Time, 5);
  table.setBool(ValueKey::Time, false);
  EXPECT_EQ(table.find(ValueKey::Time), "false");
}

TEST(ValueKey, NamesAndSlotsAgree) {
  EXPECT_EQ(kValueKeyCount, 32u + 3 * 256);
  for (std::size_t i = 0; i < kValueKeyCount; ++i) {
    const auto key = static_cast<ValueKey>(i);
    EXPECT_EQ(knownKey(keyName(key)), key) << keyName(key);
  }
  EXPECT_EQ(keyName(familyKey(Family::Sound, 255)), "SOUND_255");
  EXPECT_EQ(knownKey("PANEL_0"), familyKey(Family::Panel, 0));
  for (const char* unknown : {"Speed", "MY_KEY", "PANEL_256", "PANEL_01", "PANEL_", "PANEL_-1",
                              "SOUND_1a", "SOUND_ 1", "PANEL_1000", "PANEL", "panel_1"}) {
    EXPECT_FALSE(knownKey(unknown)) << unknown;
  }
}

}  // namespace
}  // namespace cablog
