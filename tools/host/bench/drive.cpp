#include "drive.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "crash_report.h"
#include "expectations.h"
#include "host_error.h"
#include "module_caller.h"
#include "route.h"
#include "train_model.h"

namespace host {

namespace {

// What the arrays hold before every Elapse of a logger; any other value
// afterwards was written by the plug-in.
constexpr std::int32_t kSentinel = 0x5a5a5a5a;

// Versions and array entries in the stand-in's messages. cablog's chain
// status has its own, with upper-case digits: of the plug-in the stand-in
// includes only constants (the recording format, the list of host calls),
// and the platform layer they share holds system calls only.
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

void apply(const Caller& module, const Event& event, Controls& driver) {
  switch (event.action) {
    case Action::kPower:
      driver.power = event.value;
      module.call("SetPower", &PluginApi::SetPower, event.value);
      break;
    case Action::kBrake:
      driver.brake = event.value;
      module.call("SetBrake", &PluginApi::SetBrake, event.value);
      break;
    case Action::kReverser:
      driver.reverser = event.value;
      module.call("SetReverser", &PluginApi::SetReverser, event.value);
      break;
    case Action::kSignal:
      module.call("SetSignal", &PluginApi::SetSignal, event.value);
      break;
    case Action::kBeacon:
      module.call("SetBeaconData", &PluginApi::SetBeaconData, event.beacon);
      break;
    case Action::kDoorOpen:
      module.call("DoorOpen", &PluginApi::DoorOpen);
      break;
    case Action::kDoorClose:
      module.call("DoorClose", &PluginApi::DoorClose);
      break;
    case Action::kKeyDown:
      module.call("KeyDown", &PluginApi::KeyDown, event.value);
      break;
    case Action::kKeyUp:
      module.call("KeyUp", &PluginApi::KeyUp, event.value);
      break;
    case Action::kHorn:
      module.call("HornBlow", &PluginApi::HornBlow, event.value);
      break;
  }
}

void passOver(const Caller& module, const RouteItem& item) {
  if (item.kind == RouteKind::kBeacon) {
    module.call("SetBeaconData", &PluginApi::SetBeaconData, item.beacon);
  } else if (item.kind == RouteKind::kSignal) {
    module.call("SetSignal", &PluginApi::SetSignal, item.aspect);
  }
}

// The handles a host would move the train with: out-of-range positions are
// held at the handle's ends.
Controls applied(const HandleRecord& back, const VehicleSpec& vehicle) {
  return {std::clamp(back.power, 0, vehicle.powerNotches),
          std::clamp(back.brake, 0, vehicle.brakeNotches + 1), std::clamp(back.reverser, -1, 1)};
}

void checkEcho(const HandleRecord& back, const Controls& controls, std::int64_t frame,
               std::int64_t elapsedMs) {
  if (back.brake == controls.brake && back.power == controls.power &&
      back.reverser == controls.reverser) {
    return;
  }
  throw ModuleError(frameName(frame, elapsedMs) + ": Elapse handed back brake " +
                    std::to_string(back.brake) + ", power " + std::to_string(back.power) +
                    ", reverser " + std::to_string(back.reverser) + " but the host had set brake " +
                    std::to_string(controls.brake) + ", power " + std::to_string(controls.power) +
                    ", reverser " + std::to_string(controls.reverser) +
                    " (a logger must hand the handles back unchanged; drive a module that chains "
                    "a train's own plug-in with --chained)");
}

void checkUntouched(const std::vector<std::int32_t>& values, const char* name, std::int64_t frame,
                    std::int64_t elapsedMs) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] != kSentinel) {
      throw ModuleError(frameName(frame, elapsedMs) + ": Elapse wrote " + hex(values[i]) +
                        " into the " + name + " array at index " + std::to_string(i) +
                        " (a logger must leave it untouched)");
    }
  }
}

std::string leftLine(const Script& script, const Observation& frame) {
  char text[160];
  std::snprintf(text, sizeof text,
                ": the train's front left the line at %.3f s, %.1f m (it runs from %g to %g m); "
                "the drive ends there",
                static_cast<double>(frame.timeMs) / 1000, frame.location, script.route.line->from,
                script.route.line->to);
  return script.source + text;
}

}  // namespace

std::int64_t framesFor(const Script& script, int fps) {
  return (script.endMs * fps + 999) / 1000;
}

DriveResult drive(const PluginApi& api, const Script& script, int fps, bool chained,
                  const Pacing& pacing, const std::function<void()>& afterLoad) {
  const Caller module(api);
  const VehicleSpec& vehicle = script.vehicle;
  module.at(0, 0, script.startLocation);
  module.call("Load", &PluginApi::Load);
  const std::int32_t version = module.call("GetPluginVersion", &PluginApi::GetPluginVersion);
  if (version != kInterfaceVersion) {
    throw ModuleError("the module answers plug-in version " + hex(version) + "; only " +
                      hex(kInterfaceVersion) + " is supported");
  }
  if (afterLoad) {
    try {
      afterLoad();
    } catch (...) {
      // As a host that gives up on a train: the module may still close its files.
      module.call("Dispose", &PluginApi::Dispose);
      throw;
    }
  }
  module.call("SetVehicleSpec", &PluginApi::SetVehicleSpec, vehicle);
  module.call("Initialize", &PluginApi::Initialize, script.initializeWith);

  Controls driver;
  driver.brake = vehicle.brakeNotches;
  module.call("SetPower", &PluginApi::SetPower, driver.power);
  module.call("SetBrake", &PluginApi::SetBrake, driver.brake);
  module.call("SetReverser", &PluginApi::SetReverser, driver.reverser);
  module.call("SetSignal", &PluginApi::SetSignal, 0);

  Controls moving = driver;
  TrainState train = standingTrain(moving, vehicle);
  train.location = script.startLocation;
  train.speed = script.startSpeed;
  std::vector<std::int32_t> panel(kPanelSize, chained ? 0 : kSentinel);
  std::vector<std::int32_t> sound(kSoundSize, chained ? 0 : kSentinel);
  const double frameSeconds = 1.0 / fps;
  ExpectationCheck expectations(script.expectations, script.source);

  DriveResult result;
  result.frames = framesFor(script, fps);
  result.expectations = expectations.count();
  result.farthest = train.location;
  Observation seen;
  seen.location = seen.previousLocation = train.location;
  seen.speed = train.speed;
  std::size_t next = 0;
  const auto wallStart = std::chrono::steady_clock::now();
  for (std::int64_t frame = 1; frame <= result.frames; ++frame) {
    const std::int64_t elapsedMs = frame * 1000 / fps;
    module.at(frame, elapsedMs, train.location);
    if (pacing.crashAtMs >= 0 && elapsedMs >= pacing.crashAtMs) {
      std::fprintf(stderr, "cablog-host: crashing at %s, without Dispose\n",
                   frameName(frame, elapsedMs).c_str());
      endProcessAbruptly(kCrashExitStatus);
    }
    if (pacing.realtime)
      std::this_thread::sleep_until(wallStart + std::chrono::milliseconds(elapsedMs));
    while (next < script.events.size() && script.events[next].timeMs <= elapsedMs) {
      apply(module, script.events[next++], driver);
    }
    const double wasAt = train.location;
    const bool wasMoving = train.speed != 0;
    train = step(train, moving, vehicle, frameSeconds);
    if (wasMoving && train.speed == 0) result.stops.push_back(train.location);
    result.farthest = std::max(result.farthest, train.location);
    module.at(frame, elapsedMs, train.location);
    for (const RouteItem* item : passedItems(script.route, wasAt, train.location)) {
      passOver(module, *item);
    }
    const VehicleState state =
        vehicleState(train, kStartClockMs + static_cast<std::int32_t>(elapsedMs));
    const HandleRecord back =
        module.call("Elapse", &PluginApi::Elapse, state, panel.data(), sound.data());
    if (chained) {
      result.framesHandlesDiffered += back.brake != driver.brake || back.power != driver.power ||
                                      back.reverser != driver.reverser;
    } else {
      checkEcho(back, driver, frame, elapsedMs);
      checkUntouched(panel, "panel", frame, elapsedMs);
      checkUntouched(sound, "sound", frame, elapsedMs);
    }
    moving = applied(back, vehicle);
    result.simulatedMs = elapsedMs;

    seen =
        Observation{elapsedMs, wasAt,        train.location, train.speed,
                    back,      panel.data(), sound.data(),   limitAt(script.route, train.location)};
    expectations.observe(seen);
    if (script.route.line && !script.route.line->contains(train.location)) {
      result.failures.push_back(leftLine(script, seen));
      result.frames = frame;
      break;
    }
  }
  module.at(result.frames, result.simulatedMs, train.location);
  module.call("Dispose", &PluginApi::Dispose);
  const std::vector<std::string> failed = expectations.finish(seen);
  result.failures.insert(result.failures.begin(), failed.begin(), failed.end());
  return result;
}

}  // namespace host
