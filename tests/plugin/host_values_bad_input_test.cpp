// Host values no simulator should send, and the log still holds one clean
// row per sampled frame: NaN and infinities in every float field, times that
// go negative, run backwards and jump across the whole 32-bit range.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "tests/plugin/bad_input_run.h"

namespace cablog {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr std::int32_t kMinTime = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMaxTime = std::numeric_limits<std::int32_t>::max();

VehicleState everyFloat(double location, float value, std::int32_t time) {
  return {location, value, time, value, value, value, value, value, value};
}

TEST(HostValues, NonFiniteAndExtremeValuesGiveOneCleanRowEach) {
  testing::PluginInScratch run;
  run.module.write("Logger.csv",
                   "LOCATION,Location\nSPEED,Speed\nTIME,Time\nBC,BC\nMR,MR\nER,ER\nBP,BP\n"
                   "SAP,SAP\nCURRENT,Current\nACCELERATION,Acceleration\nTIME_HHMMSS,Clock\n"
                   "BEACON_DISTANCE,Beacon distance\n");
  run.module.write("Logger.ini", "[Frame]\nSkip=1\n");
  run.plugin.load(run.modulePath);

  const struct {
    VehicleState state;
    float beaconDistance;  // set before the frame
  } frames[] = {
      {everyFloat(std::numeric_limits<double>::quiet_NaN(), kNaN, 0), -kNaN},
      {everyFloat(std::numeric_limits<double>::infinity(), kInf, 1000), kInf},
      // Time runs backwards.
      {everyFloat(-std::numeric_limits<double>::infinity(), -kInf, 500), -kInf},
      // Negative time.
      {{1.5, 10.0f, -1500, 0, 0, 0, 0, 0, 0}, 0.0f},
      // Jumps to either end of the range.
      {{-0.0, 20.0f, kMaxTime, 0, 0, 0, 0, 0, 0}, 1.0f},
      {{std::numeric_limits<double>::max(), 0.0f, kMinTime, 0, 0, 0, 0, 0, 0}, 1.0f},
      // The largest speed overflows the speed difference times 1000.
      {{std::numeric_limits<double>::lowest(), std::numeric_limits<float>::max(), 0,
        std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::lowest(), -0.0f, 0, 0,
        0},
       1.0f},
  };
  for (const auto& frame : frames) {
    run.plugin.setBeaconData({0, 0, frame.beaconDistance, 0});
    run.plugin.elapse(frame.state);
  }
  run.plugin.dispose();

  EXPECT_EQ(run.logText(),
            "Location,Speed,Time,BC,MR,ER,BP,SAP,Current,Acceleration,Clock,Beacon distance,\r\n"
            // The first sample compares with speed 0 at time 0: no time has passed.
            "nan,nan,0,nan,nan,nan,nan,nan,nan,0,00:00:00.000,nan,\r\n"
            "inf,inf,1000,inf,inf,inf,inf,inf,inf,nan,00:00:01.000,inf,\r\n"
            "-inf,-inf,500,-inf,-inf,-inf,-inf,-inf,-inf,inf,00:00:00.500,-inf,\r\n"
            "1.5,10,-1500,0,0,0,0,0,0,-inf,-00:00:01.500,0,\r\n"
            "-0,20,2147483647,0,0,0,0,0,0,4.65661e-006,596:31:23.647,1,\r\n"
            "1.79769e+308,0,-2147483648,0,0,0,0,0,0,4.65661e-006,-596:31:23.648,1,\r\n"
            "-1.79769e+308,3.40282e+038,0,1.4013e-045,-3.40282e+038,-0,0,0,0,inf,00:00:00.000,1,"
            "\r\n");
}

TEST(HostValues, ExtremeIntegersInTheSettersAreLoggedAndEchoed) {
  testing::PluginInScratch run;
  run.module.write("Logger.csv",
                   "POWER,P\nBRAKE,B\nREVERSER,R\nSIGNAL,S\nBEACON_TYPE,T\nBEACON_SIGNAL,BS\n"
                   "BEACON_OPTIONAL,O\n");
  run.module.write("Logger.ini", "[Frame]\nSkip=1\n");
  run.plugin.load(run.modulePath);
  run.plugin.setPower(kMinTime);
  run.plugin.setBrake(kMaxTime);
  run.plugin.setReverser(-1);
  run.plugin.setSignal(kMinTime);
  run.plugin.setBeaconData({kMaxTime, kMinTime, 0.0f, -1});
  const HandleRecord handles = run.plugin.elapse({});
  EXPECT_EQ(handles.power, kMinTime);
  EXPECT_EQ(handles.brake, kMaxTime);
  EXPECT_EQ(handles.reverser, -1);
  EXPECT_EQ(handles.constantSpeed, 0);
  run.plugin.dispose();
  EXPECT_EQ(run.logText(),
            "P,B,R,S,T,BS,O,\r\n"
            "-2147483648,2147483647,-1,-2147483648,2147483647,-2147483648,-1,\r\n");
}

}  // namespace
}  // namespace cablog
