#include "plugin/plugin.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "tests/support/temp_dir.h"
#include "tests/support/test_seams.h"

namespace cablog {
namespace {

class PluginRun : public ::testing::Test {
 protected:
  testing::TempDir cwd_{"cablog-cwd"};
  testing::TempDir module_{"cablog.dll"};
  testing::CurrentDirectory inside_{cwd_.path()};
  std::string modulePath_ = module_.file("Logger.dll");
  Plugin plugin_;
};

TEST_F(PluginRun, EchoesHandlesWhetherOrNotTheFrameIsSampled) {
  EXPECT_EQ(plugin_.elapse({}).brake, 0);
  plugin_.load(modulePath_);
  plugin_.setBrake(3);
  plugin_.setPower(-1);
  plugin_.setReverser(-1);
  for (int i = 0; i < 61; ++i) {
    const HandleRecord handles = plugin_.elapse({});
    EXPECT_EQ(handles.brake, 3);
    EXPECT_EQ(handles.power, -1);
    EXPECT_EQ(handles.reverser, -1);
    EXPECT_EQ(handles.constantSpeed, 0);
  }
}

TEST_F(PluginRun, SettersAndDoorsWriteTheirKeys) {
  plugin_.setSignal(4);
  plugin_.setBeaconData({12, 2, 350.5f, -7});
  plugin_.doorClose();
  EXPECT_EQ(plugin_.logger.values.find(ValueKey::PilotLamp), "true");
  plugin_.doorOpen();
  const ValueTable& v = plugin_.logger.values;
  EXPECT_EQ(v.find(ValueKey::Signal), "4");
  EXPECT_EQ(v.find(ValueKey::BeaconType), "12");
  EXPECT_EQ(v.find(ValueKey::BeaconSignal), "2");
  EXPECT_EQ(v.find(ValueKey::BeaconDistance), "350.5");
  EXPECT_EQ(v.find(ValueKey::BeaconOptional), "-7");
  EXPECT_EQ(v.find(ValueKey::PilotLamp), "false");
}

// Named after the local time of Load. The column file is longer than one
// read of the file (64 KiB), with a column before and after the boundary.
TEST_F(PluginRun, WritesTheWholeLogBesideTheModule) {
  module_.write("Logger.csv", "time_hhmmss,Clock\r\nspeed,Speed [km/h]\n" +
                                  std::string(64 * 1024, '\n') + "bc,BC\nbeacon_type,Beacon\n");
  module_.write("Logger.ini", "[Frame]\nSkip=2\n");
  plugin_.setSignal(1);
  const std::time_t before = std::time(nullptr);
  plugin_.load(modulePath_);
  const std::time_t after = std::time(nullptr);
  VehicleState state{};
  state.time = 36000000;
  state.speed = 30.0f;
  state.bc = 490.0f;
  plugin_.elapse(state);
  plugin_.elapse(state);
  plugin_.setBeaconData({3, 0, 0.0f, 0});
  state.time += 1000;
  plugin_.elapse(state);
  plugin_.elapse(state);
  plugin_.dispose();
  const auto log = testing::onlyLog(module_.path());
  ASSERT_FALSE(log.empty());
  bool named = false;
  for (std::time_t t = before; t <= after; ++t) {
    char name[32];
    std::strftime(name, sizeof name, "Log_%y%m%d-%H%M%S.csv", std::localtime(&t));
    named = named || log.filename() == name;
  }
  EXPECT_TRUE(named) << log;
  EXPECT_EQ(testing::readBytes(log),
            "Clock,Speed [km/h],BC,Beacon,\r\n"
            "10:00:00.000,30,490,,\r\n"
            "10:00:01.000,30,490,3,\r\n");
}

// The first run's rows reach its own file before the second run starts; the
// second, in the same second, takes the next free name.
TEST_F(PluginRun, ASecondLoadWritesTheFirstLogAndStartsACleanOne) {
  module_.write("Logger.csv", "speed,Speed\n");
  cwd_.write("Ats.ini", "[Frame]\nSkip=1\n");
  plugin_.load(modulePath_);
  plugin_.elapse({0.0, 5.0f, 1000, 0, 0, 0, 0, 0, 0});
  const std::filesystem::path first = plugin_.logger.logPath;
  plugin_.load(modulePath_);
  EXPECT_EQ(testing::readBytes(first), "Speed,\r\n5,\r\n");
  std::filesystem::remove(first);
  plugin_.elapse({0.0, 7.0f, 2000, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(plugin_.logger.columns.size(), 1u);
  // The acceleration compares with a fresh start, not with the earlier run.
  EXPECT_EQ(plugin_.logger.values.find(ValueKey::Acceleration), "3.5");
  plugin_.dispose();
  plugin_.dispose();
  EXPECT_EQ(testing::readBytes(testing::onlyLog(module_.path())), "Speed,\r\n7,\r\n");
}

// A log written whole at Dispose is the user's: neither a later Dispose nor
// the next Load writes it again, edited or moved away.
TEST_F(PluginRun, AFinishedLogIsNeverWrittenAgain) {
  module_.write("Logger.csv", "speed,Speed\n");
  cwd_.write("Ats.ini", "[Frame]\nSkip=1\n");
  for (const bool moved : {false, true}) {
    plugin_.load(modulePath_);
    plugin_.elapse({0.0, 5.0f, 1000, 0, 0, 0, 0, 0, 0});
    plugin_.dispose();
    const std::filesystem::path log = plugin_.logger.logPath;
    std::filesystem::remove(log);
    if (!moved) module_.write(log.filename().string(), "edited");
    plugin_.dispose();
    plugin_.load(modulePath_);
    // In the same second the new run may take the name that was freed.
    const std::string now = std::filesystem::exists(log) ? testing::readBytes(log) : "";
    EXPECT_EQ(now, !moved ? "edited" : plugin_.logger.logPath == log ? "Speed,\r\n" : "");
    std::filesystem::remove(log);
    std::filesystem::remove(plugin_.logger.logPath);
  }
}

// Two runs in the same second whose folder refused new files at Load: each
// takes its own name once the folder takes files again.
TEST_F(PluginRun, RunsRefusedTheirNameAtLoadEachGetALog) {
  module_.write("Logger.csv", "speed,Speed\n");
  cwd_.write("Ats.ini", "[Frame]\nSkip=1\n");
  Plugin other;
  platform::injectFileFaults({2, 0, 0});
  plugin_.load(modulePath_);
  other.load(modulePath_);
  platform::injectFileFaults({});
  plugin_.elapse({0.0, 5.0f, 1000, 0, 0, 0, 0, 0, 0});
  other.elapse({0.0, 7.0f, 1000, 0, 0, 0, 0, 0, 0});
  plugin_.dispose();
  other.dispose();
  EXPECT_EQ(testing::readBytes(plugin_.logger.logPath), "Speed,\r\n5,\r\n");
  EXPECT_EQ(testing::readBytes(other.logger.logPath), "Speed,\r\n7,\r\n");
}

TEST_F(PluginRun, MissingColumnFileGivesEmptyLines) {
  cwd_.write("Ats.ini", "[Frame]\nSkip=0\n");
  plugin_.load(modulePath_);
  EXPECT_EQ(plugin_.logger.sampleInterval, 1);
  plugin_.elapse({});
  plugin_.elapse({});
  plugin_.dispose();
  EXPECT_EQ(testing::readBytes(testing::onlyLog(module_.path())), "\r\n\r\n\r\n");
}

TEST_F(PluginRun, IntervalComesFromBothFilesTheModulesWinning) {
  const struct {
    const char* ats;
    const char* own;
    std::int32_t interval;
  } cases[] = {
      {nullptr, nullptr, 60},
      {"[Frame]\nSkip=10\n", nullptr, 10},
      {"[Frame]\nSkip=10\n", "[Frame]\nSkip=5\n", 5},
      {"[Frame]\nSkip=10\n", "[Other]\nSkip=5\n", 10},
      {"[Frame]\nSkip=-3\n", nullptr, 1},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(cwd_.path() / "Ats.ini");
    std::filesystem::remove(module_.path() / "Logger.ini");
    if (c.ats) cwd_.write("Ats.ini", c.ats);
    if (c.own) module_.write("Logger.ini", c.own);
    plugin_.load(modulePath_);
    EXPECT_EQ(plugin_.logger.sampleInterval, c.interval)
        << (c.ats ? c.ats : "") << (c.own ? c.own : "");
  }
  // An Ats.ini beside the module but not in the current directory is not read.
  std::filesystem::remove(cwd_.path() / "Ats.ini");
  module_.write("Ats.ini", "[Frame]\nSkip=10\n");
  plugin_.load(modulePath_);
  EXPECT_EQ(plugin_.logger.sampleInterval, 60);
}

TEST_F(PluginRun, AnUnwritableLogIsLostQuietly) {
  plugin_.load(module_.file("no-such-folder/Logger.dll"));
  plugin_.elapse({});
  plugin_.dispose();
  EXPECT_TRUE(testing::onlyLog(module_.path()).empty());
}

}  // namespace
}  // namespace cablog
