// Drives an in-process fake plug-in, to check the host's call order and that
// every breach of the host's rules stops the drive.
#include "drive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "host_error.h"
#include "train_model.h"

namespace host {
namespace {

enum class Fault { kNone, kWrongVersion, kNoEcho, kWritesPanel, kWritesSound, kBrakesAbove10 };

// The fake plug-in's state: plain globals, because the host calls plain
// functions.
struct Fake {
  Fault fault = Fault::kNone;
  std::vector<std::string> calls;
  std::vector<VehicleState> states;
  VehicleSpec vehicle{};
  HandleRecord echo{};
};
Fake fake;

void record(const std::string& call) {
  fake.calls.push_back(call);
}

const PluginApi kFakeApi{
    [] { record("Load"); },
    [] { record("Dispose"); },
    []() -> std::int32_t {
      record("GetPluginVersion");
      return fake.fault == Fault::kWrongVersion ? 0x00010000 : 0x00020000;
    },
    [](VehicleSpec vehicle) {
      record("SetVehicleSpec");
      fake.vehicle = vehicle;
    },
    [](std::int32_t) { record("Initialize"); },
    [](VehicleState state, std::int32_t* panel, std::int32_t* sound) {
      fake.states.push_back(state);
      if (fake.fault == Fault::kWritesPanel && fake.states.size() == 3) panel[7] = 1;
      if (fake.fault == Fault::kWritesSound && fake.states.size() == 2) sound[kSoundSize - 1] = 0;
      if (fake.fault == Fault::kNoEcho) return HandleRecord{};
      if (fake.fault == Fault::kBrakesAbove10 && std::abs(state.speed) > 10)
        return HandleRecord{9, 0, fake.echo.reverser, 0};
      return fake.echo;
    },
    [](std::int32_t notch) {
      record("SetPower " + std::to_string(notch));
      fake.echo.power = notch;
    },
    [](std::int32_t notch) {
      record("SetBrake " + std::to_string(notch));
      fake.echo.brake = notch;
    },
    [](std::int32_t position) {
      record("SetReverser " + std::to_string(position));
      fake.echo.reverser = position;
    },
    [](std::int32_t key) { record("KeyDown " + std::to_string(key)); },
    [](std::int32_t key) { record("KeyUp " + std::to_string(key)); },
    [](std::int32_t horn) { record("HornBlow " + std::to_string(horn)); },
    [] { record("DoorOpen"); },
    [] { record("DoorClose"); },
    [](std::int32_t aspect) { record("SetSignal " + std::to_string(aspect)); },
    [](BeaconData beacon) { record("SetBeaconData " + std::to_string(beacon.signal)); },
};

class Drive : public ::testing::Test {
 protected:
  void SetUp() override { fake = Fake{}; }
};

Script script(const std::string& text) {
  return parseScript(text, "test.txt", kTrain);
}

TEST_F(Drive, CallsTheModuleInTheHostsOrder) {
  const DriveResult result =
      drive(kFakeApi, script("0.02 power 1\n0.03 doors open\n0.05 end\n"), 60);
  EXPECT_EQ(result.frames, 3);
  EXPECT_EQ(result.simulatedMs, 50);
  // Elapse calls are not in the list: they show as the frames' states.
  const std::vector<std::string> expected = {
      "Load",       "GetPluginVersion", "SetVehicleSpec", "Initialize",
      "SetPower 0", "SetBrake 8",       "SetReverser 0",  "SetSignal 0",
      "SetPower 1", "DoorOpen",         "Dispose",
  };
  EXPECT_EQ(fake.calls, expected);
  EXPECT_EQ(fake.vehicle.brakeNotches, 8);
  EXPECT_EQ(fake.vehicle.powerNotches, 5);
  EXPECT_EQ(fake.vehicle.cars, 6);
  ASSERT_EQ(fake.states.size(), 3u);
  EXPECT_EQ(fake.states[0].time, kStartClockMs + 16);
  EXPECT_EQ(fake.states[1].time, kStartClockMs + 33);
  EXPECT_EQ(fake.states[2].time, kStartClockMs + 50);
}

TEST_F(Drive, AppliesAnEventJustBeforeTheFirstFrameThatReachesIt) {
  // At 10 fps the frames fall on 100, 200 and 300 ms: the power comes on
  // before the second frame, the doors before the third.
  drive(kFakeApi, script("0.101 power 1\n0.2 doors open\n0.3 end\n"), 10);
  ASSERT_EQ(fake.states.size(), 3u);
  const auto at = [](const std::string& call) {
    for (std::size_t i = 0; i < fake.calls.size(); ++i) {
      if (fake.calls[i] == call) return i;
    }
    return fake.calls.size();
  };
  EXPECT_LT(at("SetPower 1"), at("DoorOpen"));
  EXPECT_EQ(fake.states[2].time, kStartClockMs + 300);
}

TEST_F(Drive, FrameCountCoversTheWholeScript) {
  const struct {
    std::int64_t endMs;
    int fps;
    std::int64_t frames;
  } cases[] = {{240000, 60, 14400}, {1000, 60, 60}, {1001, 60, 61}, {50, 60, 3}, {1, 1, 1}};
  for (const auto& c : cases) {
    Script s;
    s.endMs = c.endMs;
    EXPECT_EQ(framesFor(s, c.fps), c.frames) << c.endMs << " ms at " << c.fps << " fps";
  }
}

TEST_F(Drive, StopsAtTheFirstBreachAndNamesIt) {
  const struct {
    Fault fault;
    const char* message;
  } cases[] = {
      {Fault::kWrongVersion, "plug-in version 0x00010000; only 0x00020000 is supported"},
      {Fault::kNoEcho,
       "frame 1 (0.016 s): Elapse handed back brake 0, power 0, reverser 0 but the host had set "
       "brake 8, power 0, reverser 0"},
      {Fault::kWritesPanel,
       "frame 3 (0.050 s): Elapse wrote 0x00000001 into the panel array at "
       "index 7"},
      {Fault::kWritesSound,
       "frame 2 (0.033 s): Elapse wrote 0x00000000 into the sound array at "
       "index 255"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    fake = Fake{};
    fake.fault = c.fault;
    try {
      drive(kFakeApi, script("1 end\n"), 60);
      ADD_FAILURE() << "the breach went unnoticed";
    } catch (const HostError& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
    EXPECT_NE(fake.calls.back(), "Dispose");
  }
}

// A chained module may change the handles and write the arrays; the host
// counts the frames instead of stopping, and the arrays keep what was
// written.
TEST_F(Drive, AChainedModuleMayChangeHandlesAndArrays) {
  for (const Fault fault : {Fault::kNoEcho, Fault::kWritesPanel, Fault::kNone}) {
    fake = Fake{};
    fake.fault = fault;
    const DriveResult result = drive(kFakeApi, script("1 end\n"), 60, true);
    EXPECT_EQ(result.frames, 60);
    EXPECT_EQ(result.framesHandlesDiffered, fault == Fault::kNoEcho ? 60 : 0);
    EXPECT_EQ(fake.calls.back(), "Dispose");
  }
}

TEST_F(Drive, TrainMovesOffAndTheStateReachesTheModule) {
  drive(kFakeApi, script("0 reverser 1\n0 brake 0\n0 power 5\n20 end\n"), 60);
  ASSERT_EQ(fake.states.size(), 1200u);
  const VehicleState& last = fake.states.back();
  EXPECT_GT(last.speed, 20.0f);
  EXPECT_GT(last.location, 50.0);
  EXPECT_GT(last.current, 0.0f);
  EXPECT_EQ(last.time, kStartClockMs + 20000);
}

// Closed loop: the emergency brake the module hands back above 10 km/h holds
// the train near that speed, and the line's beacon and signal reach the
// module in the order the front passes them, either way.
TEST_F(Drive, TheTrainRunsOnTheReturnedHandlesAndMeetsTheLineInOrder) {
  const struct {
    const char* start;
    const char* reverser;
    std::vector<std::string> met;
  } cases[] = {{"start 0 0\n", "1", {"SetBeaconData 7", "SetSignal 2"}},
               {"start 50 0\n", "-1", {"SetSignal 2", "SetBeaconData 7"}}};
  for (const auto& c : cases) {
    fake = Fake{};
    fake.fault = Fault::kBrakesAbove10;
    drive(kFakeApi,
          script(std::string(c.start) + "at 5 beacon 1 7 0 0\nat 30 signal 2\n0 reverser " +
                 c.reverser + "\n0 brake 0\n0 power 5\n30 end\n"),
          60, true);
    float fastest = 0;
    for (const VehicleState& state : fake.states)
      fastest = std::max(fastest, std::abs(state.speed));
    EXPECT_GT(fastest, 10.0f);
    EXPECT_LT(fastest, 11.0f);
    std::vector<std::string> met;
    for (const std::string& call : fake.calls) {
      if (call == "SetBeaconData 7" || call == "SetSignal 2") met.push_back(call);
    }
    EXPECT_EQ(met, c.met) << c.reverser;
  }
}

}  // namespace
}  // namespace host
