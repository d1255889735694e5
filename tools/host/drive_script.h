// Drive scripts: what the driver and the line do, and when.
//
//   # seconds  action    values
//   0          reverser  1
//   2.5        power     3
//   40         beacon    0 4 600 0
//   95         doors     open
//   100        end
//
// The whole script is read and checked before anything is driven.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records.h"

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

struct Event {
  std::int64_t timeMs = 0;
  Action action = Action::kPower;
  std::int32_t value = 0;  // notch, position, aspect, key or horn
  BeaconData beacon{};     // for kBeacon only
};

struct Script {
  std::vector<Event> events;  // in time order
  std::int64_t endMs = 0;     // the drive runs until this time
};

// Longest drive a script may ask for: the host's clock must stay within a
// 32-bit count of milliseconds.
inline constexpr std::int64_t kLongestDriveMs = 24 * 3600 * 1000;

// `source` names the text in error messages ("file:line: ..."). Throws
// HostError on the first bad line. Notch limits come from `vehicle`.
Script parseScript(std::string_view text, const std::string& source, const VehicleSpec& vehicle);

// Reads and parses a script file; a missing file is a HostError too.
Script readScript(const std::string& path, const VehicleSpec& vehicle);

}  // namespace host
