// The EVENTS cell, the keys of the host's other calls, the extra rows of
// Events=1 and rows by simulated time.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "plugin/plugin.h"
#include "tests/support/event_rows.h"
#include "tests/support/held_text.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

using Calls = std::function<void(Plugin&)>;

// The log that the calls leave after a Load with these files.
std::string logOf(const std::string& ini, const std::string& columns, const Calls& calls) {
  testing::TempDir folder{"cablog.dll"};
  testing::CurrentDirectory inside{folder.path()};
  folder.write("Logger.ini", ini);
  folder.write("Logger.csv", columns);
  Plugin plugin;
  plugin.load(folder.file("Logger.dll"));
  calls(plugin);
  return testing::heldText(plugin.logger.logBuffer);
}

VehicleState at(std::int32_t time, float speed) {
  return {0.0, speed, time, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
}

// One drive, with and without Events=1: the same periodic rows, and the
// acceleration always against the previous periodic one.
TEST(Events, CallsGiveTheirKeysEventsAndRows) {
  const Calls drive = [](Plugin& p) {
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
    for (int i = 0; i < 18; ++i) p.doorOpen();
    p.elapse(at(4000, 10.8f));
    p.elapse(at(5000, 10.8f));
    p.elapse(at(6000, 14.4f));  // periodic
  };
  const std::string columns =
      "events,E\nkey_2,K\nhorn,H\ninitialize,I\nvehicle_notch_4,N\nvehicle_cars,C\nacceleration,"
      "A\n";
  std::string many = "KEY_UP_2 SIGNAL";
  for (int i = 0; i < 14; ++i) many += " DOOR_OPEN";
  many += " +4,false,1,1,6,10,";
  EXPECT_EQ(logOf("[Frame]\nSkip=3\n[Log]\nEvents=1\n", columns, drive),
            "E,K,H,I,N,C,A,\r\nVEHICLE INITIALIZE POWER,,,1,6,10,0,\r\n"
            "KEY_DOWN_2 HORN_1 KEY_DOWN_300,true,1,1,6,10,1.8,\r\n,true,1,1,6,10,2.4,\r\n" +
                many + "3.6,\r\n,false,1,1,6,10,2.4,\r\n");
  EXPECT_EQ(logOf("[Frame]\nSkip=3\n", columns, drive),
            "E,K,H,I,N,C,A,\r\nVEHICLE INITIALIZE POWER KEY_DOWN_2 HORN_1 KEY_DOWN_300,true,1,1,"
            "6,10,2.4,\r\n" +
                many + "2.4,\r\n");
}

// A row once TIME has moved on by the period, or gone back; the first frame
// always. Skip is ignored; an unusable period leaves it to Skip.
TEST(Events, PeriodicRowsBySimulatedTime) {
  const Calls drive = [](Plugin& p) {
    for (const std::int32_t time : {500, 1400, 1499, 1500, 1200, 2199, 2200, 2200, 9000}) {
      p.elapse(at(time, 0.0f));
    }
  };
  EXPECT_EQ(logOf("[Frame]\nSkip=2\nPeriod=1000\n", "time,T\n", drive),
            "T,\r\n500,\r\n1500,\r\n1200,\r\n2200,\r\n9000,\r\n");
  EXPECT_EQ(logOf("[Frame]\nPeriod=99999999\n", "time,T\n", drive), "T,\r\n500,\r\n");
  EXPECT_EQ(logOf("[Frame]\nSkip=4\nPeriod=-5\n", "time,T\n", drive), "T,\r\n1500,\r\n2200,\r\n");
}

// The property: over random call sequences, by frame count and by time,
// leaving the extra rows out of an Events=1 log gives the log without it.
TEST(Events, AnEventedLogIsThePlainOneWithRowsAdded) {
  const char* rules[] = {"Skip=1", "Skip=3", "Skip=60", "Period=50", "Period=1000"};
  std::size_t added = 0;
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 random(seed);
    std::vector<Calls> calls;
    std::int32_t time = 36'000'000;
    for (int step = 0; step < 3000; ++step) {
      const auto value = static_cast<std::int32_t>(random() % 3);
      if (random() % 3 == 0) {
        calls.push_back([=](Plugin& p) { value ? p.setPower(value) : p.keyDown(3); });
      } else {
        // Mostly a frame on, now and then a jump back.
        time += random() % 50 == 0 ? -static_cast<std::int32_t>(random() % 5000) : 16 + value;
        calls.push_back([=](Plugin& p) { p.elapse(at(time, static_cast<float>(step % 97))); });
      }
    }
    const Calls drive = [&](Plugin& p) { std::ranges::for_each(calls, [&](auto& c) { c(p); }); };
    const std::string rule = std::string("[Frame]\n") + rules[seed % std::size(rules)] + "\n";
    const std::string columns = "time,T\nspeed,S\nacceleration,A\npower,P\nkey_3,K\n";
    const std::string plain = logOf(rule, columns, drive);
    const std::string evented = logOf(rule + "[Log]\nEvents=1\n", columns, drive);
    ASSERT_TRUE(testing::someRowsLeftOutGive(evented, plain)) << rule << "seed " << seed;
    added += evented.size() - plain.size();
  }
  EXPECT_GT(added, 100'000u);  // else it held for want of event rows
}

}  // namespace
}  // namespace cablog
