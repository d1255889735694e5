// Events between rows: the EVENTS cell, the keys of the host's other calls,
// the extra rows of Events=1 and rows by simulated time.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "plugin/plugin.h"
#include "tests/support/extra_rows.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

VehicleState at(std::int32_t time, float speed) {
  VehicleState state{};
  state.time = time;
  state.speed = speed;
  return state;
}

class Events : public ::testing::Test {
 protected:
  std::string run(const std::string& ini, const std::string& columns,
                  const std::function<void(Plugin&)>& calls) {
    module_.write("Logger.ini", ini);
    module_.write("Logger.csv", columns);
    Plugin plugin;
    plugin.load(module_.file("Logger.dll"));
    calls(plugin);
    return plugin.logger.logBuffer.str();
  }

  testing::TempDir cwd_{"cablog-cwd"};
  testing::CurrentDirectory inside_{cwd_.path()};
  testing::TempDir module_{"cablog.dll"};
};

// One drive, with and without Events=1: the same periodic rows, and the
// acceleration always against the previous periodic one.
TEST_F(Events, CallsGiveTheirKeysEventsAndRows) {
  const auto drive = [](Plugin& p) {
    p.setVehicleSpec({8, 5, 1, 6, 10});
    p.initialize(1);
    p.setPower(0);
    p.setPower(0);  // a repeat is no event
    p.elapse(at(1000, 0.0f));
    p.keyDown(2);
    p.hornBlow(1);
    p.keyDown(300);  // beyond the KEY_n columns, still an event
    p.elapse(at(2000, 3.6f));
    p.elapse(at(3000, 7.2f));  // periodic
    p.keyUp(2);
    p.setSignal(4);
    p.setSignal(4);
    for (int i = 0; i < 18; ++i) p.doorOpen();
    p.elapse(at(4000, 10.8f));
    p.elapse(at(5000, 10.8f));
    p.elapse(at(6000, 14.4f));  // periodic
  };
  const std::string columns =
      "events,E\nkey_2,K2\nhorn,H\ninitialize,I\nvehicle_brake_notches,B\n"
      "vehicle_power_notches,P\nvehicle_notch_3,N3\nvehicle_notch_4,N4\nvehicle_cars,C\n"
      "acceleration,A\ntime,T\n";
  const std::string header = "E,K2,H,I,B,P,N3,N4,C,A,T,\r\n";
  const std::string doors = "DOOR_OPEN DOOR_OPEN DOOR_OPEN DOOR_OPEN DOOR_OPEN DOOR_OPEN ";
  EXPECT_EQ(run("[Frame]\nSkip=3\n[Log]\nEvents=1\n", columns, drive),
            header + "VEHICLE INITIALIZE POWER,,,1,8,5,1,6,10,0,1000,\r\n" +
                "KEY_DOWN_2 HORN_1 KEY_DOWN_300,true,1,1,8,5,1,6,10,1.8,2000,\r\n" +
                ",true,1,1,8,5,1,6,10,2.4,3000,\r\n" + "KEY_UP_2 SIGNAL " + doors + doors +
                "DOOR_OPEN DOOR_OPEN +4,false,1,1,8,5,1,6,10,3.6,4000,\r\n" +
                ",false,1,1,8,5,1,6,10,2.4,6000,\r\n");
  EXPECT_EQ(run("[Frame]\nSkip=3\n", columns, drive),
            header +
                "VEHICLE INITIALIZE POWER KEY_DOWN_2 HORN_1 KEY_DOWN_300,true,1,1,8,5,1,6,10,2.4,"
                "3000,\r\n" +
                "KEY_UP_2 SIGNAL " + doors + doors +
                "DOOR_OPEN DOOR_OPEN +4,false,1,1,8,5,1,6,10,2.4,6000,\r\n");
}

// A row once TIME has moved on by the period, or gone back; the first frame
// always. Skip is ignored.
TEST_F(Events, PeriodicRowsBySimulatedTime) {
  const auto drive = [](Plugin& p) {
    for (const std::int32_t time : {500, 1400, 1499, 1500, 1200, 2199, 2200, 2200, 9000}) {
      p.elapse(at(time, 0.0f));
    }
  };
  EXPECT_EQ(run("[Frame]\nSkip=2\nPeriod=1000\n", "time,T\n", drive),
            "T,\r\n500,\r\n1500,\r\n1200,\r\n2200,\r\n9000,\r\n");
  EXPECT_EQ(run("[Frame]\nPeriod=99999999\n", "time,T\n", drive), "T,\r\n500,\r\n");
  EXPECT_EQ(run("[Frame]\nSkip=4\nPeriod=-5\n", "time,T\n", drive), "T,\r\n1500,\r\n2200,\r\n");
}

// The property: over random call sequences, by frame count and by time,
// removing the extra rows of an Events=1 log leaves the log of the same
// calls without the setting.
TEST_F(Events, WithoutItsExtraRowsAnEventedLogIsThePlainOne) {
  const std::string columns =
      "time,T\nspeed,S\nacceleration,A\nlocation,L\npower,P\nbrake,B\nreverser,R\nsignal,Sig\n"
      "pilotlamp,D\nbeacon_type,BT\nkey_0,K0\nkey_3,K3\nhorn,H\ninitialize,I\nvehicle_cars,C\n";
  const char* rules[] = {"Skip=1", "Skip=3", "Skip=60", "Period=50", "Period=1000"};
  std::size_t extraRows = 0;
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    const std::string rule = rules[seed % std::size(rules)];
    testing::TempDir plainFolder{"cablog.dll"};
    testing::TempDir eventedFolder{"cablog.dll"};
    plainFolder.write("Logger.csv", columns);
    eventedFolder.write("Logger.csv", columns);
    plainFolder.write("Logger.ini", "[Frame]\n" + rule + "\n");
    eventedFolder.write("Logger.ini", "[Frame]\n" + rule + "\n[Log]\nEvents=1\n");
    Plugin plain;
    Plugin evented;
    const auto both = [&](const std::function<void(Plugin&)>& call) {
      call(plain);
      call(evented);
    };
    plain.load(plainFolder.file("Logger.dll"));
    evented.load(eventedFolder.file("Logger.dll"));
    testing::ExtraRows extra;
    std::mt19937 random(seed);
    const auto pick = [&](int n) { return static_cast<std::int32_t>(random() % n); };
    std::int32_t time = 36'000'000;
    float speed = 0.0f;
    for (int step = 0; step < 3000; ++step) {
      const std::int32_t value = pick(3);
      switch (pick(12)) {
        case 0:
          both([&](Plugin& p) { p.setPower(value); });
          break;
        case 1:
          both([&](Plugin& p) { p.setBrake(value); });
          break;
        case 2:
          both([&](Plugin& p) { p.setReverser(value - 1); });
          break;
        case 3:
          both([&](Plugin& p) { p.setSignal(value); });
          break;
        case 4:
          both([&](Plugin& p) { p.setBeaconData({value, 1, 250.0f, 0}); });
          break;
        case 5:
          both([&](Plugin& p) { value ? p.doorClose() : p.doorOpen(); });
          break;
        case 6:
          both([&](Plugin& p) { value ? p.keyDown(value * 3 - 3) : p.keyUp(0); });
          break;
        case 7:
          both([&](Plugin& p) { value ? p.hornBlow(value) : p.initialize(value); });
          break;
        case 8:
          both([&](Plugin& p) { p.setVehicleSpec({8, 5, 1, 6, value}); });
          break;
        default: {
          // Mostly forward by a frame, now and then a jump back.
          time += pick(50) == 0 ? -pick(5000) : 16 + pick(2);
          speed += static_cast<float>(pick(5)) * 0.25f;
          for (int frames = 1 + pick(4) * pick(4); frames > 0; --frames) {
            extra.before(plain, evented);
            plain.elapse(at(time, speed));
            evented.elapse(at(time, speed));
            const std::string fault = extra.after(plain, evented);
            ASSERT_EQ(fault, "") << rule << ", seed " << seed;
          }
        }
      }
    }
    ASSERT_EQ(extra.without(evented.logger.logBuffer.str()), plain.logger.logBuffer.str())
        << rule << ", seed " << seed;
    extraRows += extra.count();
  }
  EXPECT_GT(extraRows, 1000u);  // else the property held for want of events
}

}  // namespace
}  // namespace cablog
