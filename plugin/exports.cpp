// The sixteen functions the host calls, by their plain names, as the list
// of host calls (host_calls.h) gives them; each is held to its shape there.
// The linker's export files are written from exports.txt, which the build
// holds to the same list.
#include <cstdint>
#include <type_traits>

#include "platform/platform.h"
#include "plugin/entry_points.h"
#include "plugin/host_records.h"
#include "plugin/plugin.h"

namespace {

// The one instance of the process: built before the host's first call,
// destroyed at unload without writing anything.
cablog::Plugin plugin;

// Whether one of the host's calls is running. The host makes one at a time,
// so a call that arrives meanwhile comes through a chain that leads back to
// this module (a renamed copy, or a copy whose own chain names this one).
bool inCall = false;

// Runs one of the host's calls. Nothing may unwind into the host, which
// would end the simulator: a call that fails (no memory) is dropped, and
// what was logged before stays for Dispose. A call that arrives during
// another does nothing and answers `otherwise`, which ends the loop there.
template <typename Result, typename Call>
Result hostCall(Result otherwise, Call call) noexcept {
  if (inCall) {
    plugin.markReentered();
    return otherwise;
  }
  inCall = true;
  Result result = otherwise;
  try {
    result = call();
  } catch (...) {
  }
  try {
    plugin.reportReentry();
  } catch (...) {
  }
  inCall = false;
  return result;
}

template <typename Call>
void hostCall(Call call) noexcept {
  hostCall(0, [&] {
    call();
    return 0;
  });
}

}  // namespace

extern "C" {

void Load() {
  hostCall([&] { plugin.load(cablog::platform::modulePath()); });
}

void Dispose() {
  hostCall([&] { plugin.dispose(); });
}

// The chained plug-in was asked once, at Load; the host gets cablog's answer.
std::int32_t GetPluginVersion() {
  return hostCall(cablog::kInterfaceVersion, [&] { return plugin.pluginVersion(); });
}

void SetVehicleSpec(cablog::VehicleSpec vehicle) {
  hostCall([&] { plugin.setVehicleSpec(vehicle); });
}
void Initialize(std::int32_t brakeMode) {
  hostCall([&] { plugin.initialize(brakeMode); });
}
void KeyDown(std::int32_t key) {
  hostCall([&] { plugin.keyDown(key); });
}
void KeyUp(std::int32_t key) {
  hostCall([&] { plugin.keyUp(key); });
}
void HornBlow(std::int32_t horn) {
  hostCall([&] { plugin.hornBlow(horn); });
}

// The panel and sound arrays that follow the state are the host's: only a
// chained plug-in touches them.
cablog::HandleRecord Elapse(cablog::VehicleState state, std::int32_t* panel, std::int32_t* sound) {
  return hostCall(plugin.echoed(), [&] { return plugin.elapse(state, panel, sound); });
}

void SetPower(std::int32_t notch) {
  hostCall([&] { plugin.setPower(notch); });
}
void SetBrake(std::int32_t notch) {
  hostCall([&] { plugin.setBrake(notch); });
}
void SetReverser(std::int32_t position) {
  hostCall([&] { plugin.setReverser(position); });
}
void SetSignal(std::int32_t aspect) {
  hostCall([&] { plugin.setSignal(aspect); });
}
void SetBeaconData(cablog::BeaconData beacon) {
  hostCall([&] { plugin.setBeaconData(beacon); });
}
void DoorOpen() {
  hostCall([&] { plugin.doorOpen(); });
}
void DoorClose() {
  hostCall([&] { plugin.doorClose(); });
}

}  // extern "C"

#define CABLOG_CHECK_EXPORT(name, method, tag, shape)                                   \
  static_assert(std::is_same_v<decltype(&::name), cablog::EntryFunction<cablog::CallShape::shape>>, \
                #name " has the shape the list of host calls gives it");
CABLOG_HOST_CALLS(CABLOG_CHECK_EXPORT)
#undef CABLOG_CHECK_EXPORT
