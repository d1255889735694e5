// A train plug-in that does nothing: what a replay costs without the
// plug-in's own work.
#include <cstdint>

namespace {
struct Handles {
  std::int32_t brake, power, reverser, constantSpeed;
};
struct State {
  double location;
  float speed;
  std::int32_t time;
  float bc, mr, er, bp, sap, current;
};
struct Beacon {
  std::int32_t type, signal;
  float distance;
  std::int32_t optional;
};
struct Vehicle {
  std::int32_t brakeNotches, powerNotches, notch3, notch4, cars;
};
}  // namespace

extern "C" {
void Load() {}
void Dispose() {}
std::int32_t GetPluginVersion() {
  return 0x00020000;
}
void SetVehicleSpec(Vehicle) {}
void Initialize(std::int32_t) {}
Handles Elapse(State, std::int32_t*, std::int32_t*) {
  return {};
}
void SetPower(std::int32_t) {}
void SetBrake(std::int32_t) {}
void SetReverser(std::int32_t) {}
void KeyDown(std::int32_t) {}
void KeyUp(std::int32_t) {}
void HornBlow(std::int32_t) {}
void DoorOpen() {}
void DoorClose() {}
void SetSignal(std::int32_t) {}
void SetBeaconData(Beacon) {}
}
