// The keys the plug-in itself writes. Each has a fixed slot in the value table
// so that the per-frame path never searches or allocates.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace cablog {

enum class ValueKey : std::uint8_t {
  Power,
  Brake,
  Reverser,
  Signal,
  PilotLamp,
  BeaconType,
  BeaconSignal,
  BeaconDistance,
  BeaconOptional,
  Location,
  Speed,
  Time,
  Bc,
  Mr,
  Er,
  Bp,
  Sap,
  Current,
  Acceleration,
  TimeHhmmss,
};

inline constexpr std::size_t kValueKeyCount = 20;

inline constexpr std::array<std::string_view, kValueKeyCount> kValueKeyNames = {
    "POWER",
    "BRAKE",
    "REVERSER",
    "SIGNAL",
    "PILOTLAMP",
    "BEACON_TYPE",
    "BEACON_SIGNAL",
    "BEACON_DISTANCE",
    "BEACON_OPTIONAL",
    "LOCATION",
    "SPEED",
    "TIME",
    "BC",
    "MR",
    "ER",
    "BP",
    "SAP",
    "CURRENT",
    "ACCELERATION",
    "TIME_HHMMSS",
};

constexpr std::string_view keyName(ValueKey key) {
  return kValueKeyNames[static_cast<std::size_t>(key)];
}

constexpr std::optional<ValueKey> knownKey(std::string_view name) {
  for (std::size_t i = 0; i < kValueKeyCount; ++i) {
    if (kValueKeyNames[i] == name) return static_cast<ValueKey>(i);
  }
  return std::nullopt;
}

}  // namespace cablog
