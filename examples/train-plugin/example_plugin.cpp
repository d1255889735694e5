// An example train plug-in: a small train protection system.
//  - Above 40 km/h it cuts the power and applies brake notch 4 until the
//    train is below 35 km/h again; panel entry 0 lights while it does.
//  - A beacon of type 10 tells it the aspect of the signal ahead. At danger
//    (aspect 0) it applies the full service brake and holds it, with panel
//    entry 1 lit, until the signal ahead clears.
// Otherwise the driver's handles go through as they are.
#include "train_plugin.h"

namespace {

constexpr float kTripKmh = 40.0f;
constexpr float kReleaseKmh = 35.0f;
constexpr int32_t kOverspeedNotch = 4;
constexpr int32_t kSignalBeacon = 10;
constexpr int32_t kDanger = 0;
constexpr int kOverspeedLamp = 0;
constexpr int kStopLamp = 1;

VehicleSpec train;
HandleRecord driver;     // what the driver's handles say
bool overspeed = false;  // braking for speed
bool stopping = false;   // braking for the signal at danger

}  // namespace

extern "C" {

void Load() {}
void Dispose() {}
int32_t GetPluginVersion() {
  return TRAIN_PLUGIN_VERSION;
}
void SetVehicleSpec(VehicleSpec vehicle) {
  train = vehicle;
}
void Initialize(int32_t) {
  overspeed = stopping = false;
}

HandleRecord Elapse(VehicleState state, int32_t* panel, int32_t*) {
  const float speed = state.speed < 0 ? -state.speed : state.speed;
  if (speed > kTripKmh) overspeed = true;
  if (speed < kReleaseKmh) overspeed = false;

  HandleRecord handles = driver;
  handles.constantSpeed = 0;
  int32_t brake = 0;
  if (overspeed) brake = kOverspeedNotch;
  if (stopping) brake = train.brakeNotches;
  if (brake > 0) {
    handles.power = 0;
    if (handles.brake < brake) handles.brake = brake;
  }
  panel[kOverspeedLamp] = overspeed ? 1 : 0;
  panel[kStopLamp] = stopping ? 1 : 0;
  return handles;
}

void SetPower(int32_t notch) {
  driver.power = notch;
}
void SetBrake(int32_t notch) {
  driver.brake = notch;
}
void SetReverser(int32_t position) {
  driver.reverser = position;
}
void KeyDown(int32_t) {}
void KeyUp(int32_t) {}
void HornBlow(int32_t) {}
void DoorOpen() {}
void DoorClose() {}

void SetSignal(int32_t aspect) {
  if (aspect != kDanger) stopping = false;
}

void SetBeaconData(BeaconData beacon) {
  if (beacon.type == kSignalBeacon && beacon.signal == kDanger) stopping = true;
}

}  // extern "C"
