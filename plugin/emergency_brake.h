// What cablog hands the host on a frame where the chained plug-in failed:
// the train's safety system decided nothing, so the train brakes rather than
// run on the driver's handles unguarded.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

#include "plugin/host_records.h"

namespace cablog {

// The notch beyond the vehicle's brake notches (from its last
// SetVehicleSpec) is the emergency brake. Without a vehicle record (or with
// a negative count, which is none), the highest brake notch the host has
// set; without either, the driver's brake. Power 0; the reverser and the
// fourth field are the driver's.
constexpr HandleRecord emergencyBrake(std::optional<std::int32_t> brakeNotches,
                                      std::optional<std::int32_t> highestBrake,
                                      const HandleRecord& driver) {
  HandleRecord back = driver;
  back.power = 0;
  if (brakeNotches && *brakeNotches >= 0) {
    back.brake = *brakeNotches < std::numeric_limits<std::int32_t>::max() ? *brakeNotches + 1
                                                                          : *brakeNotches;
  } else if (highestBrake) {
    back.brake = *highestBrake;
  }
  return back;
}

}  // namespace cablog
