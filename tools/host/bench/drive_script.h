// Drive scripts: the train, the line, what the driver does and when, and
// what must happen.
//
//   vehicle    8 5 1 6 6         # brake notches, power notches, notch 3, notch 4, cars
//   initialize 1                 # Initialize's argument
//   start      0 0               # location (m) and speed (km/h) at the start
//   line       0 1500            # see route.h for the line and what is on it
//   at 600     beacon 10 0 300 0
//   # seconds  action    values
//   0          reverser  1
//   2.5        power     3
//   40         beacon    0 4 600 0
//   95         doors     open
//   100        end
//   expect stop before 900       # see expectations.h
//
// Timed lines run in time order and end with "end"; the others may stand
// anywhere. The whole script is read and checked before anything is driven.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "expectations.h"
#include "records.h"
#include "route.h"

namespace host {

enum class Action {
  kPower,
  kBrake,
  kReverser,
  kSignal,
  kBeacon,
  kDoorOpen,
  kDoorClose,
  kKeyDown,
  kKeyUp,
  kHorn,
};

// A timed line of the script: what the driver (or the line) does, and when.
struct TimedAction {
  std::int64_t timeMs = 0;
  Action action = Action::kPower;
  std::int32_t value = 0;  // notch, position, aspect, key or horn
  BeaconData beacon{};     // for kBeacon only
  int line = 0;
};

// Initialize's argument unless the script says otherwise: start with the
// service brake applied.
inline constexpr std::int32_t kStartWithServiceBrake = 1;

struct Script {
  std::string source;                // the file name, for messages
  std::vector<TimedAction> actions;  // in time order
  std::int64_t endMs = 0;            // the drive runs until this time
  VehicleSpec vehicle{};
  std::int32_t initializeWith = kStartWithServiceBrake;
  double startLocation = 0;  // m
  double startSpeed = 0;     // km/h
  Route route;
  std::vector<Expectation> expectations;
};

// Longest drive a script may ask for: the host's clock must stay within a
// 32-bit count of milliseconds.
inline constexpr std::int64_t kLongestDriveMs = 24 * 3600 * 1000;
// Sizes of the panel and sound arrays handed to Elapse.
inline constexpr std::size_t kPanelSize = 256;
inline constexpr std::size_t kSoundSize = 256;

// `source` names the text in error messages ("file:line: ..."). Throws
// HostError on the first bad line. `vehicle` is the train unless the script
// sets its own; notch limits come from the train.
Script parseScript(std::string_view text, const std::string& source, const VehicleSpec& vehicle);

// Reads and parses a script file; a missing file is a HostError too.
Script readScript(const std::string& path, const VehicleSpec& vehicle);

}  // namespace host
