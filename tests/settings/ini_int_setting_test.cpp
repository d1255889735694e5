#include "settings/ini_int_setting.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

TEST(IniIntSetting, LaterFilesOverrideEarlierOnes) {
  testing::TempDir cwd;
  testing::TempDir module;
  const testing::CurrentDirectory inside(cwd.path());
  {
    IniIntSetting setting(settingRow(Setting::Skip));
    EXPECT_FALSE(setting.loadFrom(kSharedSettingsPath));
    EXPECT_FALSE(setting.loadFrom(module.file("none.ini")));
    EXPECT_FALSE(setting.loadFrom(""));
    EXPECT_EQ(setting.value, 60);
  }
  cwd.write("Ats.ini", "[Frame]\nSkip=10\n");
  module.write("with.ini", "[Frame]\nSkip=5\n");
  module.write("without.ini", "[Other]\nSkip=5\n");
  {
    IniIntSetting setting(settingRow(Setting::Skip));
    EXPECT_TRUE(setting.loadFrom(kSharedSettingsPath));
    EXPECT_EQ(setting.value, 10);
    EXPECT_TRUE(setting.loadFrom(module.file("without.ini")));
    EXPECT_EQ(setting.value, 10);
    EXPECT_TRUE(setting.loadFrom(module.file("with.ini")));
    EXPECT_EQ(setting.value, 5);
  }
}

}  // namespace
}  // namespace cablog
