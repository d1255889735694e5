// What the host's calls do, on one instance of state. The exported functions
// forward to a single instance of this; tests make their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "logging/frame_sampling.h"
#include "logging/logger.h"
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
  // unchanged, and it may write the arrays (which it then needs).
  HandleRecord elapse(const VehicleState& state, std::int32_t* panel = nullptr,
                      std::int32_t* sound = nullptr) {
    if (recorder.active()) return elapseRecorded(state, panel, sound);
    if (chain.active()) return elapseChained(state, panel, sound);
    if (countFrame(logger, state.time)) logFrame(readingsOf(state));
    return echoed();
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
  HandleRecord elapseRecorded(const VehicleState& state, std::int32_t* panel, std::int32_t* sound);
  HandleRecord elapseChained(const VehicleState& state, std::int32_t* panel, std::int32_t* sound);
  // A frame that may be a row: sampled first, then, if it made one, the
  // streamed log written when that is due.
  void logFrame(const FrameReadings& readings);

  // What the handle and signal setters last set, and what the chained
  // plug-in returned on the previous frame: a repeat of either is no event.
  std::optional<std::int32_t> lastPower_;
  std::optional<std::int32_t> lastBrake_;
  std::optional<std::int32_t> lastReverser_;
  std::optional<std::int32_t> lastSignal_;
  std::optional<HandleRecord> lastDecided_;

  // Writes the log, or what of it is still waiting; whether all of it went.
  bool finishLog();

  bool reentered_ = false;
  bool reentryNoted_ = false;
};

}  // namespace cablog
