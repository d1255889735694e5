// A module folder the log cannot be written to: no file and no partial file,
// no crash, the host's calls keep working, and what was logged stays in
// memory for a later Dispose.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "tests/plugin/bad_input_run.h"

namespace cablog {
namespace {

namespace fs = std::filesystem;

void driveFrames(Plugin& plugin, int frames) {
  for (int i = 1; i <= frames; ++i) {
    VehicleState state{};
    state.time = i * 1000;
    state.speed = static_cast<float>(i);
    const HandleRecord handles = plugin.elapse(state);
    ASSERT_EQ(handles.brake, 4);
    ASSERT_EQ(handles.constantSpeed, 0);
  }
}

class UnwritableFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    run_.module.write("Logger.csv", "speed,Speed\n");
    run_.module.write("Logger.ini", "[Frame]\nSkip=1\n");
  }
  testing::PluginInScratch run_;
};

TEST_F(UnwritableFolder, LogNameTakenByAFolder) {
  run_.plugin.load(run_.modulePath);
  const fs::path logPath = run_.plugin.logger.logPath;
  fs::remove(logPath);
  fs::create_directory(logPath);
  run_.plugin.setBrake(4);
  driveFrames(run_.plugin, 3);
  run_.plugin.dispose();
  EXPECT_TRUE(fs::is_directory(logPath));
  EXPECT_TRUE(fs::is_empty(logPath));
  EXPECT_EQ(testing::countLogEntries(run_.module.path()), 1);

  // Nothing logged was lost: once the name is free, Dispose writes it all.
  fs::remove(logPath);
  run_.plugin.dispose();
  EXPECT_EQ(run_.logText(), "Speed,\r\n1,\r\n2,\r\n3,\r\n");
}

TEST_F(UnwritableFolder, ModuleFolderMissing) {
  const fs::path missing = run_.module.path() / "gone";
  run_.plugin.load((missing / "Logger.dll").string());
  run_.plugin.setBrake(4);
  driveFrames(run_.plugin, 3);
  run_.plugin.dispose();
  EXPECT_FALSE(fs::exists(missing));
  EXPECT_EQ(testing::countLogEntries(run_.module.path()), 0);
  EXPECT_EQ(testing::countLogEntries(run_.cwd.path()), 0);
}

TEST_F(UnwritableFolder, ModuleFolderRemovedAfterLoad) {
  const fs::path folder = run_.module.path() / "plugins";
  fs::create_directory(folder);
  fs::copy_file(run_.module.path() / "Logger.csv", folder / "Logger.csv");
  fs::copy_file(run_.module.path() / "Logger.ini", folder / "Logger.ini");
  run_.plugin.load((folder / "Logger.dll").string());
  fs::remove_all(folder);
  run_.plugin.setBrake(4);
  driveFrames(run_.plugin, 2);
  run_.plugin.dispose();
  EXPECT_FALSE(fs::exists(folder));

  fs::create_directory(folder);
  run_.plugin.dispose();
  EXPECT_EQ(run_.logText(), "Speed,\r\n1,\r\n2,\r\n");
}

TEST_F(UnwritableFolder, ReadOnlyFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "a read-only attribute does not keep files out of a Windows folder";
#else
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  run_.plugin.load(run_.modulePath);
  fs::permissions(run_.module.path(),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  run_.plugin.setBrake(4);
  driveFrames(run_.plugin, 3);
  run_.plugin.dispose();
  fs::permissions(run_.module.path(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(testing::countLogEntries(run_.module.path()), 0);
  run_.plugin.dispose();
  EXPECT_EQ(run_.logText(), "Speed,\r\n1,\r\n2,\r\n3,\r\n");
#endif
}

}  // namespace
}  // namespace cablog
