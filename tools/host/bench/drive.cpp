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

const char* nameOf(CallTag tag) {
  // The names are literals: their text ends in a NUL.
  return cablog::recording::kCallKinds[static_cast<int>(tag) - 1].name.data();
}

// The module as a drive calls it: every call named for the crash report
// and, with --record, recorded before it is made.
class Link {
 public:
  Link(const PluginApi& api, HostRecorder* recorder) : caller_(api), recorder_(recorder) {}

  template <typename Entry, typename... Args>
  auto call(CallTag tag, Entry PluginApi::*entry, Args... args) const {
    if (recorder_ != nullptr) recorder_->call(tag, args...);
    return caller_.call(nameOf(tag), entry, args...);
  }

  HandleRecord elapse(const VehicleState& state, std::int32_t* panel, std::int32_t* sound,
                      const Controls& driver) const {
    if (recorder_ != nullptr) {
      recorder_->elapseIn(state, panel, sound, {driver.brake, driver.power, driver.reverser, 0});
    }
    const HandleRecord back = caller_.call("Elapse", &PluginApi::Elapse, state, panel, sound);
    if (recorder_ != nullptr) recorder_->elapseOut(back, panel, sound);
    return back;
  }

  void at(std::int64_t frame, std::int64_t timeMs, double location) const {
    caller_.at(frame, timeMs, location);
  }

 private:
  Caller caller_;
  HostRecorder* recorder_;
};

void apply(const Link& module, const TimedAction& action, Controls& driver) {
  const std::int32_t value = action.value;
  switch (action.action) {
    case Action::kPower:
      driver.power = value;
      return module.call(CallTag::SetPower, &PluginApi::SetPower, value);
    case Action::kBrake:
      driver.brake = value;
      return module.call(CallTag::SetBrake, &PluginApi::SetBrake, value);
    case Action::kReverser:
      driver.reverser = value;
      return module.call(CallTag::SetReverser, &PluginApi::SetReverser, value);
    case Action::kSignal:
      return module.call(CallTag::SetSignal, &PluginApi::SetSignal, value);
    case Action::kBeacon:
      return module.call(CallTag::SetBeaconData, &PluginApi::SetBeaconData, action.beacon);
    case Action::kDoorOpen:
      return module.call(CallTag::DoorOpen, &PluginApi::DoorOpen);
    case Action::kDoorClose:
      return module.call(CallTag::DoorClose, &PluginApi::DoorClose);
    case Action::kKeyDown:
      return module.call(CallTag::KeyDown, &PluginApi::KeyDown, value);
    case Action::kKeyUp:
      return module.call(CallTag::KeyUp, &PluginApi::KeyUp, value);
    case Action::kHorn:
      return module.call(CallTag::HornBlow, &PluginApi::HornBlow, value);
  }
}

void passOver(const Link& module, const RouteItem& item) {
  if (item.kind == RouteKind::kBeacon) {
    module.call(CallTag::SetBeaconData, &PluginApi::SetBeaconData, item.beacon);
  } else if (item.kind == RouteKind::kSignal) {
    module.call(CallTag::SetSignal, &PluginApi::SetSignal, item.aspect);
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

// One drive, from Load to Dispose.
class Run {
 public:
  Run(const PluginApi& api, const Script& script, const DriveSetup& setup)
      : module_(api, setup.recorder),
        script_(script),
        setup_(setup),
        vehicle_(script.vehicle),
        panel_(kPanelSize, setup.trainRules ? 0 : kSentinel),
        sound_(kSoundSize, setup.trainRules ? 0 : kSentinel),
        expectations_(script.expectations, script.source) {}

  void start();
  // False once the train has left the line.
  bool frame(std::int64_t frame);
  DriveResult finish();
  std::int64_t frames() const { return result_.frames; }

 private:
  void crashIfDue(std::int64_t frame, std::int64_t elapsedMs) const;
  void check(const HandleRecord& back, std::int64_t frame, std::int64_t elapsedMs);

  Link module_;
  const Script& script_;
  const DriveSetup& setup_;
  const VehicleSpec& vehicle_;
  Controls driver_;
  Controls moving_;
  TrainState train_;
  std::vector<std::int32_t> panel_;
  std::vector<std::int32_t> sound_;
  ExpectationCheck expectations_;
  DriveResult result_;
  Observation seen_;
  std::size_t next_ = 0;
  std::chrono::steady_clock::time_point wallStart_;
};

void Run::start() {
  module_.at(0, 0, script_.startLocation);
  module_.call(CallTag::Load, &PluginApi::Load);
  const std::int32_t version =
      module_.call(CallTag::GetPluginVersion, &PluginApi::GetPluginVersion);
  if (version != kInterfaceVersion) {
    throw ModuleError("the module answers plug-in version " + hex(version) + "; only " +
                      hex(kInterfaceVersion) + " is supported");
  }
  if (setup_.afterLoad) {
    try {
      setup_.afterLoad();
    } catch (...) {
      // As a host that gives up on a train: the module may still close its files.
      module_.call(CallTag::Dispose, &PluginApi::Dispose);
      throw;
    }
  }
  module_.call(CallTag::SetVehicleSpec, &PluginApi::SetVehicleSpec, vehicle_);
  module_.call(CallTag::Initialize, &PluginApi::Initialize, script_.initializeWith);
  driver_.brake = vehicle_.brakeNotches;
  module_.call(CallTag::SetPower, &PluginApi::SetPower, driver_.power);
  module_.call(CallTag::SetBrake, &PluginApi::SetBrake, driver_.brake);
  module_.call(CallTag::SetReverser, &PluginApi::SetReverser, driver_.reverser);
  module_.call(CallTag::SetSignal, &PluginApi::SetSignal, 0);

  moving_ = driver_;
  train_ = standingTrain(moving_, vehicle_);
  train_.location = script_.startLocation;
  train_.speed = script_.startSpeed;
  result_.frames = framesFor(script_, setup_.fps);
  result_.expectations = expectations_.count();
  result_.farthest = train_.location;
  seen_.location = seen_.previousLocation = train_.location;
  seen_.speed = train_.speed;
  wallStart_ = std::chrono::steady_clock::now();
}

void Run::crashIfDue(std::int64_t frame, std::int64_t elapsedMs) const {
  if (setup_.pacing.crashAtMs < 0 || elapsedMs < setup_.pacing.crashAtMs) return;
  std::fprintf(stderr, "cablog-host: crashing at %s, without Dispose\n",
               frameName(frame, elapsedMs).c_str());
  endProcessAbruptly(kExitCrashed);
}

void Run::check(const HandleRecord& back, std::int64_t frame, std::int64_t elapsedMs) {
  if (setup_.trainRules) {
    result_.framesHandlesDiffered += back.brake != driver_.brake || back.power != driver_.power ||
                                     back.reverser != driver_.reverser;
    return;
  }
  checkEcho(back, driver_, frame, elapsedMs);
  checkUntouched(panel_, "panel", frame, elapsedMs);
  checkUntouched(sound_, "sound", frame, elapsedMs);
}

bool Run::frame(std::int64_t frame) {
  const std::int64_t elapsedMs = frame * 1000 / setup_.fps;
  module_.at(frame, elapsedMs, train_.location);
  crashIfDue(frame, elapsedMs);
  if (setup_.pacing.realtime) {
    std::this_thread::sleep_until(wallStart_ + std::chrono::milliseconds(elapsedMs));
  }
  while (next_ < script_.actions.size() && script_.actions[next_].timeMs <= elapsedMs) {
    apply(module_, script_.actions[next_++], driver_);
  }
  const double wasAt = train_.location;
  const bool wasMoving = train_.speed != 0;
  train_ = step(train_, moving_, vehicle_, 1.0 / setup_.fps);
  if (wasMoving && train_.speed == 0) result_.stops.push_back(train_.location);
  result_.farthest = std::max(result_.farthest, train_.location);
  module_.at(frame, elapsedMs, train_.location);
  for (const RouteItem* item : passedItems(script_.route, wasAt, train_.location)) {
    passOver(module_, *item);
  }
  const VehicleState state =
      vehicleState(train_, kStartClockMs + static_cast<std::int32_t>(elapsedMs));
  const HandleRecord back = module_.elapse(state, panel_.data(), sound_.data(), driver_);
  check(back, frame, elapsedMs);
  moving_ = applied(back, vehicle_);
  result_.simulatedMs = elapsedMs;
  seen_ = Observation{
      elapsedMs, wasAt,         train_.location, train_.speed,
      back,      panel_.data(), sound_.data(),   limitAt(script_.route, train_.location)};
  expectations_.observe(seen_);
  if (!script_.route.line || script_.route.line->contains(train_.location)) return true;
  result_.failures.push_back(leftLine(script_, seen_));
  result_.frames = frame;
  return false;
}

DriveResult Run::finish() {
  module_.at(result_.frames, result_.simulatedMs, train_.location);
  module_.call(CallTag::Dispose, &PluginApi::Dispose);
  if (setup_.recorder != nullptr) setup_.recorder->flush();
  const std::vector<std::string> failed = expectations_.finish(seen_);
  result_.failures.insert(result_.failures.begin(), failed.begin(), failed.end());
  return result_;
}

}  // namespace

std::int64_t framesFor(const Script& script, int fps) {
  return (script.endMs * fps + 999) / 1000;
}

DriveResult drive(const PluginApi& api, const Script& script, const DriveSetup& setup) {
  Run run(api, script, setup);
  run.start();
  for (std::int64_t frame = 1; frame <= run.frames() && run.frame(frame); ++frame) {
  }
  return run.finish();
}

}  // namespace host
