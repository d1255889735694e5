// Drives the built module through its exports, as a host does.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/entry_points.h"

#include "tests/support/module_under_test.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

class Exports : public ::testing::Test {
 protected:
  testing::TempDir cwd_{"cablog-cwd"};
  testing::TempDir folder_{"cablog.dll.d"};
  testing::CurrentDirectory inside_{cwd_.path()};
  std::string stem_ = std::filesystem::path(testing::builtModuleName()).stem().string();
};

// The linker's export files are written from exports.txt; the code's own
// list must name the same entry points.
TEST(ExportList, TheCodeListsWhatTheExportFileLists) {
  std::istringstream lines(testing::readBytes(CABLOG_EXPORTS_FILE));
  std::vector<std::string> listed;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) listed.push_back(line);
  }
  std::vector<std::string> code;
  for (const std::string_view name : entryPointNames()) code.emplace_back(name);
  std::sort(listed.begin(), listed.end());
  std::sort(code.begin(), code.end());
  EXPECT_EQ(code, listed);
}

TEST_F(Exports, AllSixteenAreThere) {
  testing::ModuleUnderTest module(folder_.path());
  EXPECT_TRUE(module.missing().empty()) << module.missing().front();
}

TEST_F(Exports, AnswersTheVersionAndEchoesHandlesWithoutTouchingHostArrays) {
  testing::ModuleUnderTest module(folder_.path());
  ASSERT_TRUE(module.missing().empty());
  EXPECT_EQ(module.GetPluginVersion(), 0x00020000);

  std::array<std::int32_t, 256> panel;
  std::array<std::int32_t, 256> sound;
  panel.fill(0x5a5a5a5a);
  sound.fill(0x3c3c3c3c);
  const auto untouched = [&] {
    for (std::int32_t p : panel) ASSERT_EQ(p, 0x5a5a5a5a);
    for (std::int32_t s : sound) ASSERT_EQ(s, 0x3c3c3c3c);
  };

  HandleRecord handles = module.Elapse({}, panel.data(), sound.data());
  EXPECT_EQ(handles.brake, 0);
  EXPECT_EQ(handles.power, 0);
  EXPECT_EQ(handles.reverser, 0);
  EXPECT_EQ(handles.constantSpeed, 0);

  module.Load();
  EXPECT_EQ(module.GetPluginVersion(), 0x00020000);
  module.SetVehicleSpec({8, 5, 4, 1, 10});
  module.Initialize(0);
  module.SetBrake(3);
  module.SetPower(-1);
  module.SetReverser(-1);
  module.SetSignal(2);
  module.KeyDown(1);
  module.KeyUp(1);
  module.HornBlow(0);
  module.DoorOpen();
  module.DoorClose();
  module.SetBeaconData({1, 2, 3.0f, 4});
  for (int frame = 0; frame < 130; ++frame) {
    handles = module.Elapse({}, panel.data(), sound.data());
    ASSERT_EQ(handles.brake, 3) << frame;
    ASSERT_EQ(handles.power, -1) << frame;
    ASSERT_EQ(handles.reverser, -1) << frame;
    ASSERT_EQ(handles.constantSpeed, 0) << frame;
  }
  untouched();
  module.Dispose();
}

TEST_F(Exports, TheTypicalFrameReachesTheLogFile) {
  folder_.write(stem_ + ".csv", "TIME_HHMMSS,Clock\r\nSPEED,Speed\r\nBC,BC\r\n");
  testing::ModuleUnderTest module(folder_.path());
  module.Load();
  std::int32_t panel[256] = {};
  std::int32_t sound[256] = {};
  VehicleState state{};
  for (int frame = 1; frame <= 60; ++frame) {
    state.time = frame == 60 ? 36000000 : frame * 16;
    state.speed = frame == 60 ? 30.0f : 1.0f;
    state.bc = frame == 60 ? 490.0f : 1.0f;
    module.Elapse(state, panel, sound);
  }
  module.Dispose();
  const auto log = testing::onlyLog(folder_.path());
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(testing::readBytes(log), "Clock,Speed,BC,\r\n10:00:00.000,30,490,\r\n");
}

TEST_F(Exports, ElapseBeforeLoadRecordsNothing) {
  folder_.write(stem_ + ".csv", "SPEED,Speed\n");
  cwd_.write("Ats.ini", "[Frame]\nSkip=1\n");
  testing::ModuleUnderTest module(folder_.path());
  std::int32_t panel[256] = {};
  std::int32_t sound[256] = {};
  module.SetBrake(2);
  EXPECT_EQ(module.Elapse({0.0, 9.0f, 5, 0, 0, 0, 0, 0, 0}, panel, sound).brake, 2);
  module.Load();
  module.Elapse({0.0, 4.0f, 1000, 0, 0, 0, 0, 0, 0}, panel, sound);
  module.Dispose();
  EXPECT_EQ(testing::readBytes(testing::onlyLog(folder_.path())), "Speed,\r\n4,\r\n");
}

}  // namespace
}  // namespace cablog

namespace cablog {
namespace {

TEST_F(Exports, ASecondLoadStartsAFreshLogAndASecondDisposeRewritesIt) {
  folder_.write(stem_ + ".csv", "SPEED,Speed\nSIGNAL,Signal\nACCELERATION,Accel\n");
  cwd_.write("Ats.ini", "[Frame]\nSkip=10\n");
  folder_.write(stem_ + ".ini", "[Frame]\nSkip=2\n");
  testing::ModuleUnderTest module(folder_.path());
  std::int32_t panel[256] = {};
  std::int32_t sound[256] = {};
  module.Load();
  module.SetSignal(3);
  for (int frame = 1; frame <= 5; ++frame) {
    module.Elapse({0.0, 10.0f, frame * 1000, 0, 0, 0, 0, 0, 0}, panel, sound);
  }
  const std::filesystem::path first = testing::onlyLog(folder_.path());
  module.Load();
  for (int frame = 1; frame <= 2; ++frame) {
    module.Elapse({0.0, 2.0f, 1000, 0, 0, 0, 0, 0, 0}, panel, sound);
  }
  module.Dispose();
  module.Dispose();
  // The first run's log was written at the second Load; the signal set
  // before it still shows, and the acceleration starts from rest again.
  EXPECT_EQ(testing::readBytes(first), "Speed,Signal,Accel,\r\n10,3,5,\r\n10,3,0,\r\n");
  EXPECT_EQ(testing::readBytes(first.string().insert(first.string().size() - 4, "-2")),
            "Speed,Signal,Accel,\r\n2,3,2,\r\n");
}

}  // namespace
}  // namespace cablog
