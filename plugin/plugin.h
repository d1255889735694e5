// What the host's calls do, on one instance of state. The exported functions
// forward to a single instance of this; tests make their own.
#pragma once

#include <cstdint>
#include <new>
#include <optional>
#include <string>

#include "logging/frame_sampling.h"
#include "logging/logger.h"
#include "logging/plugin_readings.h"
#include "plugin/call_recorder.h"
#include "plugin/chain.h"
#include "plugin/host_records.h"

namespace cablog {

// The last handle positions the host reported, handed back from every frame.
struct HandleEcho {
  std::int32_t brake = 0;
  std::int32_t power = 0;
  std::int32_t reverser = 0;
};

class Plugin {
 public:
  // Starts a log for the module at `modulePath`: reads the interval and the
  // columns beside it and creates the log file under a free name; then
  // chains the train plug-in its INI file names, if any. A second call
  // finishes the earlier log as Dispose would, then starts afresh. Should it
  // fail (no memory), the earlier log goes on as it was.
  void load(const std::string& modulePath);

  // Alone, the host's arrays are never touched and the host's handles come
  // back. Chained, the train plug-in decides: what it returns comes back
  // unchanged, and it may write the arrays (which it then needs). A frame on
  // which it fails gets the emergency brake (plugin/emergency_brake.h).
  //
  // The one path of every frame, in every build and mode, in this order: the
  // call recorded as handed in, the chain, the frame counted, its readings
  // gathered and logged, the call recorded as it went back. State that a key
  // needs from every frame (a running maximum, say) is kept up to date where
  // the comment below says, before the countdown that ends most frames.
  HandleRecord elapse(const VehicleState& state, std::int32_t* panel = nullptr,
                      std::int32_t* sound = nullptr) {
    const bool recorded = recorder.active();
    if (recorded) recorder.elapseIn(state, panel, sound);
    const bool chained = chain.active();
    const HandleRecord back = chained ? decideChained(state, panel, sound) : echoed();
    // Per-frame state goes here.
    try {
      takeFrame(logger, state.time, [&] {
        FrameReadings readings = readingsOf(state);
        if (chained) readings.plugin = &decided_;
        return readings;
      });
    } catch (const std::bad_alloc&) {
      // A row that found no memory is not kept (rows are whole or absent);
      // the frame still goes back as decided, and is recorded.
    }
    if (recorded) {
      recorder.followLog(logger.logPath);
      recorder.preferLog(logger.stream.failing);
      recorder.elapseOut(back, panel, sound, !chained);
    }
    return back;
  }

  // Writes the log (what of it is still waiting, when it is streamed), then
  // disposes and unloads the chained plug-in, so that one that crashes in its
  // own Dispose cannot take the log with it. May be called again, writing the
  // same file.
  void dispose();

  // The interface version cablog answers; the chained plug-in was asked once,
  // at Load.
  std::int32_t pluginVersion();

  // Calls whose arguments cablog only records; a chained plug-in gets them.
  void setVehicleSpec(const VehicleSpec& vehicle);
  void initialize(std::int32_t brakeMode);
  void keyDown(std::int32_t key);
  void keyUp(std::int32_t key);
  void hornBlow(std::int32_t horn);

  void setPower(std::int32_t notch);
  void setBrake(std::int32_t notch);
  void setReverser(std::int32_t position);
  void setSignal(std::int32_t aspect);
  void setBeaconData(const BeaconData& beacon);
  void doorOpen();
  void doorClose();

  // The handles as the host last set them.
  HandleRecord echoed() const { return {echo.brake, echo.power, echo.reverser, 0}; }

  // A call arrived while another was still running: only a chain that leads
  // back to cablog does that. reportReentry, once the outer call is over,
  // tells the status file, once a Load.
  void markReentered() noexcept { reentered_ = true; }
  void reportReentry();

  Logger logger;
  HandleEcho echo;
  Chain chain;
  // With [Log] Record=1, every call of the host, beside the log.
  CallRecorder recorder;

 private:
  // A call the host makes to report something: recorded, noted (`note`
  // stores its values and events) and handed on to the chained plug-in.
  template <recording::CallTag tag, typename Note, typename... Args>
  void report(const Note& note, const Args&... args);
  // A handle or the signal: stored, and an event when it changed.
  void noteChange(ValueKey key, std::optional<std::int32_t>& last, LogEvent event,
                  std::int32_t value);

  // The chained plug-in's Elapse, and the events of what it decided.
  HandleRecord decideChained(const VehicleState& state, std::int32_t* panel, std::int32_t* sound);

  // What the handle and signal setters last set, and what the chained
  // plug-in returned on the previous frame: a repeat of either is no event.
  std::optional<std::int32_t> lastPower_;
  std::optional<std::int32_t> lastBrake_;
  std::optional<std::int32_t> lastReverser_;
  std::optional<std::int32_t> lastSignal_;
  std::optional<HandleRecord> lastDecided_;
  // For the emergency brake on a frame where the chained plug-in failed:
  // the brake notches of the last vehicle record, and the highest brake
  // notch the host has set.
  std::optional<std::int32_t> vehicleBrakeNotches_;
  std::optional<std::int32_t> highestBrake_;
  // What the chained plug-in made of the current frame, for its row.
  PluginReadings decided_{};

  // Writes the log, or what of it is still waiting; whether all of it went.
  bool finishLog();

  bool reentered_ = false;
  bool reentryNoted_ = false;
};

}  // namespace cablog
