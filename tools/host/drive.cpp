#include "drive.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "host_error.h"
#include "platform/platform.h"
#include "train_model.h"

namespace host {

namespace {

// What the arrays hold before every Elapse; any other value afterwards was
// written by the plug-in.
constexpr std::int32_t kSentinel = 0x5a5a5a5a;
// Initialize's argument: start with the service brake applied.
constexpr std::int32_t kStartWithServiceBrake = 1;

std::string hex(std::int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
  return text;
}

std::string frameName(std::int64_t frame, std::int64_t elapsedMs) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", static_cast<double>(elapsedMs) / 1000);
  return "frame " + std::to_string(frame) + " (" + seconds + " s)";
}

void apply(const PluginApi& api, const Event& event, Controls& controls) {
  switch (event.action) {
    case Action::kPower:
      controls.power = event.value;
      api.SetPower(event.value);
      break;
    case Action::kBrake:
      controls.brake = event.value;
      api.SetBrake(event.value);
      break;
    case Action::kReverser:
      controls.reverser = event.value;
      api.SetReverser(event.value);
      break;
    case Action::kSignal:
      api.SetSignal(event.value);
      break;
    case Action::kBeacon:
      api.SetBeaconData(event.beacon);
      break;
    case Action::kDoorOpen:
      api.DoorOpen();
      break;
    case Action::kDoorClose:
      api.DoorClose();
      break;
    case Action::kKeyDown:
      api.KeyDown(event.value);
      break;
    case Action::kKeyUp:
      api.KeyUp(event.value);
      break;
    case Action::kHorn:
      api.HornBlow(event.value);
      break;
  }
}

void checkEcho(const HandleRecord& back, const Controls& controls, std::int64_t frame,
               std::int64_t elapsedMs) {
  if (back.brake == controls.brake && back.power == controls.power &&
      back.reverser == controls.reverser) {
    return;
  }
  throw HostError(frameName(frame, elapsedMs) + ": Elapse handed back brake " +
                  std::to_string(back.brake) + ", power " + std::to_string(back.power) +
                  ", reverser " + std::to_string(back.reverser) + " but the host had set brake " +
                  std::to_string(controls.brake) + ", power " + std::to_string(controls.power) +
                  ", reverser " + std::to_string(controls.reverser) +
                  " (a logger must hand the handles back unchanged; drive a module that chains a "
                  "train's own plug-in with --chained)");
}

void checkUntouched(const std::vector<std::int32_t>& values, const char* name, std::int64_t frame,
                    std::int64_t elapsedMs) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] != kSentinel) {
      throw HostError(frameName(frame, elapsedMs) + ": Elapse wrote " + hex(values[i]) +
                      " into the " + name + " array at index " + std::to_string(i) +
                      " (a logger must leave it untouched)");
    }
  }
}

}  // namespace

std::int64_t framesFor(const Script& script, int fps) {
  return (script.endMs * fps + 999) / 1000;
}

DriveResult drive(const PluginApi& api, const Script& script, int fps, const VehicleSpec& vehicle,
                  bool chained, const Pacing& pacing) {
  api.Load();
  const std::int32_t version = api.GetPluginVersion();
  if (version != kInterfaceVersion) {
    throw HostError("the module answers plug-in version " + hex(version) + "; only " +
                    hex(kInterfaceVersion) + " is supported");
  }
  api.SetVehicleSpec(vehicle);
  api.Initialize(kStartWithServiceBrake);

  Controls controls;
  api.SetPower(controls.power);
  api.SetBrake(controls.brake);
  api.SetReverser(controls.reverser);
  api.SetSignal(0);

  TrainState train = standingTrain(controls, vehicle);
  std::vector<std::int32_t> panel(kPanelSize, chained ? 0 : kSentinel);
  std::vector<std::int32_t> sound(kSoundSize, chained ? 0 : kSentinel);
  const double frameSeconds = 1.0 / fps;

  DriveResult result;
  result.frames = framesFor(script, fps);
  std::size_t next = 0;
  const auto wallStart = std::chrono::steady_clock::now();
  for (std::int64_t frame = 1; frame <= result.frames; ++frame) {
    const std::int64_t elapsedMs = frame * 1000 / fps;
    if (pacing.crashAtMs >= 0 && elapsedMs >= pacing.crashAtMs) {
      std::fprintf(stderr, "cablog-host: crashing at %s, without Dispose\n",
                   frameName(frame, elapsedMs).c_str());
      cablog::platform::endProcessAbruptly(kCrashExitStatus);
    }
    if (pacing.realtime)
      std::this_thread::sleep_until(wallStart + std::chrono::milliseconds(elapsedMs));
    while (next < script.events.size() && script.events[next].timeMs <= elapsedMs) {
      apply(api, script.events[next++], controls);
    }
    train = step(train, controls, vehicle, frameSeconds);
    const VehicleState state =
        vehicleState(train, kStartClockMs + static_cast<std::int32_t>(elapsedMs));
    const HandleRecord back = api.Elapse(state, panel.data(), sound.data());

    if (chained) {
      result.framesHandlesDiffered += back.brake != controls.brake ||
                                      back.power != controls.power ||
                                      back.reverser != controls.reverser;
    } else {
      checkEcho(back, controls, frame, elapsedMs);
      checkUntouched(panel, "panel", frame, elapsedMs);
      checkUntouched(sound, "sound", frame, elapsedMs);
    }
    result.simulatedMs = elapsedMs;
  }
  api.Dispose();
  return result;
}

}  // namespace host
