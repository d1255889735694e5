// The sixteen entry points of an ATS plug-in, as the host calls them.
#pragma once

#include <cstdint>

#include "records.h"

namespace host {

struct PluginApi {
  void (*Load)();
  void (*Dispose)();
  std::int32_t (*GetPluginVersion)();
  void (*SetVehicleSpec)(VehicleSpec);
  void (*Initialize)(std::int32_t brakeMode);
  HandleRecord (*Elapse)(VehicleState, std::int32_t* panel, std::int32_t* sound);
  void (*SetPower)(std::int32_t notch);
  void (*SetBrake)(std::int32_t notch);
  void (*SetReverser)(std::int32_t position);
  void (*KeyDown)(std::int32_t key);
  void (*KeyUp)(std::int32_t key);
  void (*HornBlow)(std::int32_t horn);
  void (*DoorOpen)();
  void (*DoorClose)();
  void (*SetSignal)(std::int32_t aspect);
  void (*SetBeaconData)(BeaconData);
};

}  // namespace host
