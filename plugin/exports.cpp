// The sixteen functions the host calls, by their plain names. The export list
// itself lives in exports.txt, from which the build writes the linker's
// export files.
#include <cstdint>

#include "platform/platform.h"
#include "plugin/entry_points.h"
#include "plugin/host_records.h"
#include "plugin/plugin.h"

namespace {

// The one instance of the process: built before the host's first call,
// destroyed at unload without writing anything.
cablog::Plugin plugin;

}  // namespace

extern "C" {

void Load() {
  plugin.load(cablog::platform::modulePath());
}

void Dispose() {
  plugin.dispose();
}

// The chained plug-in was asked once, at Load; the host gets cablog's answer.
std::int32_t GetPluginVersion() {
  return plugin.pluginVersion();
}

void SetVehicleSpec(cablog::VehicleSpec vehicle) {
  plugin.setVehicleSpec(vehicle);
}
void Initialize(std::int32_t brakeMode) {
  plugin.initialize(brakeMode);
}
void KeyDown(std::int32_t key) {
  plugin.keyDown(key);
}
void KeyUp(std::int32_t key) {
  plugin.keyUp(key);
}
void HornBlow(std::int32_t horn) {
  plugin.hornBlow(horn);
}

// The panel and sound arrays that follow the state are the host's: only a
// chained plug-in touches them.
cablog::HandleRecord Elapse(cablog::VehicleState state, std::int32_t* panel, std::int32_t* sound) {
  return plugin.elapse(state, panel, sound);
}

void SetPower(std::int32_t notch) {
  plugin.setPower(notch);
}
void SetBrake(std::int32_t notch) {
  plugin.setBrake(notch);
}
void SetReverser(std::int32_t position) {
  plugin.setReverser(position);
}
void SetSignal(std::int32_t aspect) {
  plugin.setSignal(aspect);
}
void SetBeaconData(cablog::BeaconData beacon) {
  plugin.setBeaconData(beacon);
}
void DoorOpen() {
  plugin.doorOpen();
}
void DoorClose() {
  plugin.doorClose();
}

}  // extern "C"
