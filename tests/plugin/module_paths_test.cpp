#include "plugin/module_paths.h"

#include <gtest/gtest.h>

namespace cablog {
namespace {

TEST(ModulePaths, ReplacesOnlyTheFileNamesExtension) {
  const struct {
    const char* module;
    const char* separators;
    const char* stem;
    const char* directory;
  } cases[] = {
      {"C:\\sim\\plugins\\Logger.dll", "\\/", "C:\\sim\\plugins\\Logger", "C:\\sim\\plugins"},
      {"C:\\x.dll.d\\Logger.dll", "\\/", "C:\\x.dll.d\\Logger", "C:\\x.dll.d"},
      {"C:\\sim\\Logger.DLL", "\\/", "C:\\sim\\Logger", "C:\\sim"},
      {"C:\\sim\\Logger.Dll", "\\/", "C:\\sim\\Logger", "C:\\sim"},
      {"C:\\sim.d\\Logger", "\\/", "C:\\sim.d\\Logger", "C:\\sim.d"},
      {"C:/mixed\\a.b/Logger.dll", "\\/", "C:/mixed\\a.b/Logger", "C:/mixed\\a.b"},
      {"C:\\Logger.dll", "\\/", "C:\\Logger", "C:\\"},
      {"C:\\sim\\.dll", "\\/", "C:\\sim\\", "C:\\sim"},
      {"/opt/sim.d/cablog.so", "/", "/opt/sim.d/cablog", "/opt/sim.d"},
      {"/opt/back\\slash.so", "/", "/opt/back\\slash", "/opt"},
      {"/cablog.so", "/", "/cablog", "/"},
      {"cablog.so", "/", "cablog", ""},
  };
  for (const auto& c : cases) {
    const ModulePaths paths = deriveModulePaths(c.module, c.separators);
    EXPECT_EQ(paths.settingsPath, std::string(c.stem) + ".ini") << c.module;
    EXPECT_EQ(paths.columnsPath, std::string(c.stem) + ".csv") << c.module;
    EXPECT_EQ(paths.directory, c.directory) << c.module;
    EXPECT_EQ(paths.chainStatusPath, std::string(c.stem) + ".chain.txt") << c.module;
  }
}

TEST(ModulePaths, ASettingsPathIsTakenRelativeToTheModulesFolder) {
  const struct {
    const char* directory;
    const char* path;
    const char* separators;
    const char* resolved;
  } cases[] = {
      {"C:\\sim\\plugins", "ats.dll", "\\/", "C:\\sim\\plugins\\ats.dll"},
      {"C:\\sim\\plugins", "..\\train\\ats.dll", "\\/", "C:\\sim\\plugins\\..\\train\\ats.dll"},
      {"C:\\", "ats.dll", "\\/", "C:\\ats.dll"},
      {"C:\\sim", "D:\\ats.dll", "\\/", "D:\\ats.dll"},
      {"C:\\sim", "\\\\server\\ats.dll", "\\/", "\\\\server\\ats.dll"},
      // Never from the host's current drive or directory.
      {"C:\\sim", "/ats.dll", "\\/", "C:/ats.dll"},
      {"\\\\server\\share\\sim", "\\ats.dll", "\\/", "\\\\server\\share\\ats.dll"},
      {"C:\\sim", "D:ats.dll", "\\/", "D:\\ats.dll"},
      {"/opt/sim", "ats.so", "/", "/opt/sim/ats.so"},
      {"/opt/sim", "/usr/lib/ats.so", "/", "/usr/lib/ats.so"},
      {"/opt/sim", "C:ats.so", "/", "/opt/sim/C:ats.so"},
      {"/", "ats.so", "/", "/ats.so"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(resolveAgainst(c.directory, c.path, c.separators), c.resolved) << c.path;
  }
}

TEST(ModulePaths, LongPathsAreNeverCut) {
  std::string folder = "C:";
  while (folder.size() < 1000) folder += "\\a-rather-long-folder-name";
  const ModulePaths paths = deriveModulePaths(folder + "\\Logger.dll", "\\/");
  EXPECT_EQ(paths.settingsPath, folder + "\\Logger.ini");
  EXPECT_EQ(paths.columnsPath, folder + "\\Logger.csv");
  EXPECT_EQ(paths.directory, folder);
}

}  // namespace
}  // namespace cablog
