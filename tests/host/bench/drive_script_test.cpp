#include "drive_script.h"

#include <gtest/gtest.h>

#include <string>

#include "builtin_drive.h"
#include "host_error.h"
#include "train_model.h"

namespace host {
namespace {

Script parse(const std::string& text) {
  return parseScript(text, "drive.txt", kTrain);
}

std::string errorOf(const std::string& text) {
  try {
    parse(text);
  } catch (const HostError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(DriveScript, ReadsEveryAction) {
  const Script script = parse(
      "# comment line\n"
      "\n"
      "0 power 5\n"
      "0.5\tbrake 9   # emergency\r\n"
      "1.25 reverser -1\n"
      "2 signal 3\n"
      "3 beacon 1 -2 612.5 7\n"
      "4 doors open\n"
      "4 doors close\n"
      "5 keydown 2\n"
      "5 keyup 2\n"
      "6 horn 1\n"
      "90.125 end\n");
  ASSERT_EQ(script.actions.size(), 10u);
  EXPECT_EQ(script.endMs, 90125);
  const struct {
    std::int64_t timeMs;
    Action action;
    std::int32_t value;
  } expected[] = {
      {0, Action::kPower, 5},        {500, Action::kBrake, 9},    {1250, Action::kReverser, -1},
      {2000, Action::kSignal, 3},    {3000, Action::kBeacon, 0},  {4000, Action::kDoorOpen, 0},
      {4000, Action::kDoorClose, 0}, {5000, Action::kKeyDown, 2}, {5000, Action::kKeyUp, 2},
      {6000, Action::kHorn, 1},
  };
  for (std::size_t i = 0; i < script.actions.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(script.actions[i].timeMs, expected[i].timeMs);
    EXPECT_EQ(script.actions[i].action, expected[i].action);
    EXPECT_EQ(script.actions[i].value, expected[i].value);
  }
  const BeaconData& beacon = script.actions[4].beacon;
  EXPECT_EQ(beacon.type, 1);
  EXPECT_EQ(beacon.signal, -2);
  EXPECT_EQ(beacon.distance, 612.5f);
  EXPECT_EQ(beacon.optional, 7);
}

TEST(DriveScript, WithoutEndTheDriveStopsAtTheLastEvent) {
  const Script script = parse("1 power 1\n7.5 power 0");
  EXPECT_EQ(script.endMs, 7500);
}

TEST(DriveScript, NamesTheFileLineAndCauseOfEveryMistake) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"1 power 1\n2 pwer 1\n", "drive.txt:2: unknown action 'pwer'"},
      {"power 1\n", "drive.txt:1: 'power' is not a time in seconds"},
      {"1\n", "drive.txt:1: expected a time in seconds and an action"},
      {"-1 power 1\n", "drive.txt:1: '-1' is not a time"},
      {"1.2345 power 1\n", "drive.txt:1: '1.2345' is not a time"},
      {"1. power 1\n", "drive.txt:1: '1.' is not a time"},
      {"90000 power 1\n", "drive.txt:1: time is past the 24-hour limit"},
      {"5 power 1\n4 power 2\n", "drive.txt:2: time 4 is earlier than the line before"},
      {"1 power 6\n", "drive.txt:1: power notch 6 is outside 0 to 5"},
      {"1 brake 10\n", "drive.txt:1: brake notch 10 is outside 0 to 9"},
      {"1 reverser 2\n", "drive.txt:1: reverser position 2 is outside -1 to 1"},
      {"1 power x\n", "drive.txt:1: power notch 'x' is not a whole number"},
      {"1 power 1 2\n", "drive.txt:1: 'power' takes one notch, found 2 value(s)"},
      {"1 signal 99999999999\n", "drive.txt:1: signal aspect '99999999999' is not a whole"},
      {"1 beacon 0 0 far 0\n", "drive.txt:1: beacon distance 'far' is not a number"},
      {"1 beacon 0 0 1\n", "drive.txt:1: 'beacon' takes type, signal, distance and optional"},
      {"1 doors ajar\n", "drive.txt:1: doors 'ajar': expected 'open' or 'close'"},
      {"1 end\n2 power 1\n", "drive.txt:2: no timed action may follow 'end'"},
      {"1 end\nexpect panel 1 = 1 at 1.001\n",
       "drive.txt:2: time 1.001 s is after the drive's end"},
      {"at 1e3 signal 0\n1 end\n", "drive.txt:1: location '1e3' is not a number"},
      {"at 5 beacon 1 0 0 0\nat 5.0 beacon 2 0 0 0\n1 end\n",
       "drive.txt:2: a beacon at 5 m already (line 1)"},
      {"line 0 100\n1 end\nexpect brake > 0 between 50 and 100.5\n",
       "drive.txt:3: location 100.5 m is beyond the line (0 m to 100 m)"},
      {"line 0 100\nat -1 limit 40\n1 end\n", "drive.txt:2: location -1 m is beyond the line"},
      {"at 5 horn 1\n1 end\n", "drive.txt:1: unknown thing on the line 'horn'"},
      {"vehicle 4 3 1 1\n", "drive.txt:1: 'vehicle' takes five numbers"},
      {"1 brake 6\nvehicle 4 3 1 1 6\n", "drive.txt:1: brake notch 6 is outside 0 to 5"},
      {"start 0 0\nstart 5 0\n", "drive.txt:2: 'start' was set already on line 1"},
      {"expect stop after 5\n", "drive.txt:1: expected 'expect stop before LOCATION'"},
      {"expect panel 256 = 1\n", "drive.txt:1: entry 256 is outside 0 to 255"},
      {"expect brake => 4\n", "drive.txt:1: '=>' is not a comparison"},
      {"expect power < limit\n", "drive.txt:1: only speed can be held against the limit"},
      {"expect brake >= 4 between 1 2\n", "drive.txt:1: expected nothing, 'at SECONDS'"},
      {"expect speed <= limit +\n", "drive.txt:1: 'limit +' needs a number"},
      {"expect speed <= limit * 2\n", "drive.txt:1: expected nothing, 'at SECONDS'"},
      {"expect brake = 9 after 5 until 7\n", "drive.txt:1: expected nothing, 'at SECONDS'"},
      {"line 0 100\n1 end\nexpect brake = 9 within 2 after 101\n",
       "drive.txt:3: location 101 m is beyond the line"},
      {"1 end now\n", "drive.txt:1: 'end' takes no values"},
      {"# only a comment\n\n", "drive.txt: no actions, nothing to drive"},
      {"0 power 1\n", "drive.txt: the drive ends at 0 s"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_NE(errorOf(c.text).find(c.message), std::string::npos) << errorOf(c.text);
  }
}

TEST(DriveScript, MissingFileIsAnError) {
  try {
    readScript("no-such-drive.txt", kTrain);
    FAIL() << "accepted a missing file";
  } catch (const HostError& error) {
    EXPECT_STREQ(error.what(), "no-such-drive.txt: cannot open the drive script");
  }
}

TEST(DriveScript, BuiltInDriveIsFourMinutesAndEndsWithTheDoorsShut) {
  const Script script = parseScript(builtinDrive(), std::string(kBuiltinDriveName), kTrain);
  EXPECT_EQ(script.endMs, 240000);
  bool closed = false;
  for (const TimedAction& event : script.actions) {
    if (event.action == Action::kDoorOpen) closed = false;
    if (event.action == Action::kDoorClose) closed = true;
  }
  EXPECT_TRUE(closed);
}

TEST(DriveScript, SampleScriptParses) {
  const Script script = readScript(CABLOG_SAMPLE_SCRIPT, kTrain);
  EXPECT_GT(script.endMs, 0);
  EXPECT_FALSE(script.actions.empty());
}

}  // namespace
}  // namespace host
