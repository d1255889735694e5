// The sixteen functions the host calls, by their plain names. The export list
// itself lives in cablog.def (Windows) and cablog.map (POSIX).
#include <cstdint>

#include "platform/platform.h"
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

std::int32_t GetPluginVersion() {
  return 0x00020000;
}

// The host passes its own arguments to these; none of them is read.
void SetVehicleSpec() {}
void Initialize() {}
void KeyDown() {}
void KeyUp() {}
void HornBlow() {}

// The panel and sound arrays that follow the state are the host's: never
// touched.
cablog::HandleRecord Elapse(cablog::VehicleState state, std::int32_t* /*panel*/,
                            std::int32_t* /*sound*/) {
  return plugin.elapse(state);
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
