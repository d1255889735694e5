// A deliberately broken plug-in: it exports all sixteen entry points but
// hands back zero handles from Elapse instead of the ones it was given. The
// host stand-in must refuse it.
#include <cstdint>

namespace {

struct Handles {
  std::int32_t brake;
  std::int32_t power;
  std::int32_t reverser;
  std::int32_t constantSpeed;
};

struct State {
  double location;
  float speed;
  std::int32_t time;
  float readings[6];
};

}  // namespace

extern "C" {

void Load() {}
void Dispose() {}
std::int32_t GetPluginVersion() {
  return 0x00020000;
}
void SetVehicleSpec() {}
void Initialize() {}
Handles Elapse(State, std::int32_t*, std::int32_t*) {
  return Handles{0, 0, 0, 0};
}
void SetPower(std::int32_t) {}
void SetBrake(std::int32_t) {}
void SetReverser(std::int32_t) {}
void KeyDown() {}
void KeyUp() {}
void HornBlow() {}
void DoorOpen() {}
void DoorClose() {}
void SetSignal(std::int32_t) {}
void SetBeaconData() {}

}  // extern "C"
