// The sixteen entry points of an ATS plug-in as cablog calls them on another
// module (a chained train plug-in, or cablog's own module in the tests), and
// the one place in the code that lists their names. plugin/exports.txt lists
// them for the linker; a test holds the two together.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "plugin/host_records.h"

namespace cablog {

struct EntryPoints {
  void (*Dispose)() = nullptr;
  void (*DoorClose)() = nullptr;
  void (*DoorOpen)() = nullptr;
  HandleRecord (*Elapse)(VehicleState, std::int32_t* panel, std::int32_t* sound) = nullptr;
  std::int32_t (*GetPluginVersion)() = nullptr;
  void (*HornBlow)(std::int32_t horn) = nullptr;
  void (*Initialize)(std::int32_t brakeMode) = nullptr;
  void (*KeyDown)(std::int32_t key) = nullptr;
  void (*KeyUp)(std::int32_t key) = nullptr;
  void (*Load)() = nullptr;
  void (*SetBeaconData)(BeaconData) = nullptr;
  void (*SetBrake)(std::int32_t notch) = nullptr;
  void (*SetPower)(std::int32_t notch) = nullptr;
  void (*SetReverser)(std::int32_t position) = nullptr;
  void (*SetSignal)(std::int32_t aspect) = nullptr;
  void (*SetVehicleSpec)(VehicleSpec) = nullptr;
};

// Calls visit(name, pointer) for every entry point, in the export table's
// order.
template <typename Entries, typename Visit>
constexpr void forEachEntryPoint(Entries& e, Visit&& visit) {
  visit("Dispose", e.Dispose);
  visit("DoorClose", e.DoorClose);
  visit("DoorOpen", e.DoorOpen);
  visit("Elapse", e.Elapse);
  visit("GetPluginVersion", e.GetPluginVersion);
  visit("HornBlow", e.HornBlow);
  visit("Initialize", e.Initialize);
  visit("KeyDown", e.KeyDown);
  visit("KeyUp", e.KeyUp);
  visit("Load", e.Load);
  visit("SetBeaconData", e.SetBeaconData);
  visit("SetBrake", e.SetBrake);
  visit("SetPower", e.SetPower);
  visit("SetReverser", e.SetReverser);
  visit("SetSignal", e.SetSignal);
  visit("SetVehicleSpec", e.SetVehicleSpec);
}

inline constexpr std::size_t kEntryPointCount = 16;

// The name of the entry point `member` stands for.
template <typename Entry>
std::string_view entryPointName(Entry EntryPoints::*member) {
  EntryPoints e;
  const void* const wanted = &(e.*member);
  std::string_view found;
  forEachEntryPoint(e, [&](std::string_view name, const auto& entry) {
    if (static_cast<const void*>(&entry) == wanted) found = name;
  });
  return found;
}

constexpr std::array<std::string_view, kEntryPointCount> entryPointNames() {
  std::array<std::string_view, kEntryPointCount> names{};
  std::size_t n = 0;
  EntryPoints none;
  forEachEntryPoint(none, [&](std::string_view name, auto&) { names[n++] = name; });
  return names;
}
static_assert(sizeof(EntryPoints) == kEntryPointCount * sizeof(void (*)()),
              "every entry point is visited");

inline constexpr std::int32_t kInterfaceVersion = 0x00020000;

}  // namespace cablog
