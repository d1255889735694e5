// The keys the plug-in itself writes: the one table of them. Each has a fixed
// slot in the value table, so that the per-frame path never searches or
// allocates. Named keys come first; then the numbered families (PANEL_n,
// SOUND_n, KEY_n), each a run of slots computed from the name when the
// columns are read, never searched per frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace cablog {

// A slot of the value table. The enumerators name the named keys; the
// numbered families' slots follow them (see familyKey).
enum class ValueKey : std::uint16_t {
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
  // What a chained train plug-in returned from its Elapse.
  PluginBrake,
  PluginPower,
  PluginReverser,
  PluginConstantSpeed,
  // The arguments of the host's other calls, and what happened between rows.
  Horn,
  Initialize,
  VehicleBrakeNotches,
  VehiclePowerNotches,
  VehicleNotch3,
  VehicleNotch4,
  VehicleCars,
  Events,
};

struct NamedKey {
  ValueKey key;
  std::string_view name;
  bool chainOnly;  // written only while a train plug-in is chained
};

inline constexpr NamedKey kNamedKeys[] = {
    {ValueKey::Power, "POWER", false},
    {ValueKey::Brake, "BRAKE", false},
    {ValueKey::Reverser, "REVERSER", false},
    {ValueKey::Signal, "SIGNAL", false},
    {ValueKey::PilotLamp, "PILOTLAMP", false},
    {ValueKey::BeaconType, "BEACON_TYPE", false},
    {ValueKey::BeaconSignal, "BEACON_SIGNAL", false},
    {ValueKey::BeaconDistance, "BEACON_DISTANCE", false},
    {ValueKey::BeaconOptional, "BEACON_OPTIONAL", false},
    {ValueKey::Location, "LOCATION", false},
    {ValueKey::Speed, "SPEED", false},
    {ValueKey::Time, "TIME", false},
    {ValueKey::Bc, "BC", false},
    {ValueKey::Mr, "MR", false},
    {ValueKey::Er, "ER", false},
    {ValueKey::Bp, "BP", false},
    {ValueKey::Sap, "SAP", false},
    {ValueKey::Current, "CURRENT", false},
    {ValueKey::Acceleration, "ACCELERATION", false},
    {ValueKey::TimeHhmmss, "TIME_HHMMSS", false},
    {ValueKey::PluginBrake, "PLUGIN_BRAKE", true},
    {ValueKey::PluginPower, "PLUGIN_POWER", true},
    {ValueKey::PluginReverser, "PLUGIN_REVERSER", true},
    {ValueKey::PluginConstantSpeed, "PLUGIN_CONSTANT_SPEED", true},
    {ValueKey::Horn, "HORN", false},
    {ValueKey::Initialize, "INITIALIZE", false},
    {ValueKey::VehicleBrakeNotches, "VEHICLE_BRAKE_NOTCHES", false},
    {ValueKey::VehiclePowerNotches, "VEHICLE_POWER_NOTCHES", false},
    {ValueKey::VehicleNotch3, "VEHICLE_NOTCH_3", false},
    {ValueKey::VehicleNotch4, "VEHICLE_NOTCH_4", false},
    {ValueKey::VehicleCars, "VEHICLE_CARS", false},
    {ValueKey::Events, "EVENTS", false},
};
inline constexpr std::size_t kNamedKeyCount = std::size(kNamedKeys);

// The numbered families: the host's two arrays that Elapse hands a train
// plug-in, and the keys of KeyDown and KeyUp.
enum class Family : std::uint8_t { Panel, Sound, Key };
inline constexpr std::size_t kFamilySize = 256;

// A family's keys: the prefix followed by an index 0 to 255 in plain decimal
// ("PANEL_0", "SOUND_255", "KEY_3"), one slot each.
struct KeyFamily {
  Family family;
  std::string_view prefix;
  bool chainOnly;  // written only while a train plug-in is chained
};
inline constexpr KeyFamily kKeyFamilies[] = {
    {Family::Panel, "PANEL_", true},
    {Family::Sound, "SOUND_", true},
    {Family::Key, "KEY_", false},
};

inline constexpr std::size_t kValueKeyCount =
    kNamedKeyCount + std::size(kKeyFamilies) * kFamilySize;

constexpr bool namedKeysMatchTheirSlots() {
  for (std::size_t i = 0; i < kNamedKeyCount; ++i) {
    if (static_cast<std::size_t>(kNamedKeys[i].key) != i) return false;
  }
  for (std::size_t i = 0; i < std::size(kKeyFamilies); ++i) {
    if (static_cast<std::size_t>(kKeyFamilies[i].family) != i) return false;
  }
  return true;
}
static_assert(namedKeysMatchTheirSlots(), "kNamedKeys lists the enumerators in their order");
static_assert(static_cast<std::size_t>(ValueKey::Events) + 1 == kNamedKeyCount,
              "every enumerator has a name");

constexpr ValueKey familyKey(Family family, std::size_t index) {
  return static_cast<ValueKey>(kNamedKeyCount + static_cast<std::size_t>(family) * kFamilySize +
                               index);
}

// Which family entry a slot stands for; nothing for a named key.
struct FamilyEntry {
  Family family;
  std::uint16_t index;
};
constexpr std::optional<FamilyEntry> familyEntryOf(ValueKey key) {
  const auto slot = static_cast<std::size_t>(key);
  if (slot < kNamedKeyCount || slot >= kValueKeyCount) return std::nullopt;
  const std::size_t offset = slot - kNamedKeyCount;
  return FamilyEntry{static_cast<Family>(offset / kFamilySize),
                     static_cast<std::uint16_t>(offset % kFamilySize)};
}

// "0" to "255", no sign, no leading zero, no blanks.
constexpr std::optional<std::size_t> familyIndexOf(std::string_view digits) {
  if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits.front() == '0')) {
    return std::nullopt;
  }
  std::size_t index = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    index = index * 10 + static_cast<std::size_t>(c - '0');
  }
  if (index >= kFamilySize) return std::nullopt;
  return index;
}

// The KEY_n slot of a key number the host sends; nothing beyond the family.
constexpr std::optional<ValueKey> keySlotOf(std::int32_t key) {
  if (key < 0 || static_cast<std::size_t>(key) >= kFamilySize) return std::nullopt;
  return familyKey(Family::Key, static_cast<std::size_t>(key));
}

// The slot of a key name as the column file gives it (upper case); nothing
// for a key the plug-in never writes. Used when the columns are read.
constexpr std::optional<ValueKey> knownKey(std::string_view name) {
  for (const NamedKey& named : kNamedKeys) {
    // Length and first letter rule out most names without a call to compare.
    if (named.name.size() == name.size() && named.name.front() == name.front() &&
        named.name == name) {
      return named.key;
    }
  }
  for (const KeyFamily& family : kKeyFamilies) {
    if (!name.starts_with(family.prefix)) continue;
    if (const auto index = familyIndexOf(name.substr(family.prefix.size()))) {
      return familyKey(family.family, *index);
    }
  }
  return std::nullopt;
}

// The name of any slot, for messages and tests.
inline std::string keyName(ValueKey key) {
  if (const auto entry = familyEntryOf(key)) {
    return std::string(kKeyFamilies[static_cast<std::size_t>(entry->family)].prefix) +
           std::to_string(entry->index);
  }
  return std::string(kNamedKeys[static_cast<std::size_t>(key)].name);
}

}  // namespace cablog
