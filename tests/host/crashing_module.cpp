// A plug-in that crashes: it echoes the handles like a logger, then writes
// through a null pointer in the Elapse of the frame at 1 s.
#include <cstdint>

#include "train_plugin.h"

namespace {
HandleRecord echo;
// Read at run time, so that the compiler cannot see the fault coming.
volatile std::intptr_t nowhere = 0;
}  // namespace

extern "C" {
void Load() {}
void Dispose() {}
int32_t GetPluginVersion() {
  return TRAIN_PLUGIN_VERSION;
}
void SetVehicleSpec(VehicleSpec) {}
void Initialize(int32_t) {}
HandleRecord Elapse(VehicleState state, int32_t*, int32_t*) {
  if (state.time >= 36001000) *reinterpret_cast<volatile int32_t*>(nowhere) = 1;
  return echo;
}
void SetPower(int32_t notch) {
  echo.power = notch;
}
void SetBrake(int32_t notch) {
  echo.brake = notch;
}
void SetReverser(int32_t position) {
  echo.reverser = position;
}
void KeyDown(int32_t) {}
void KeyUp(int32_t) {}
void HornBlow(int32_t) {}
void DoorOpen() {}
void DoorClose() {}
void SetSignal(int32_t) {}
void SetBeaconData(BeaconData) {}
}
