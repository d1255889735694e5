// Drives a plug-in through a whole run, in the order a real host calls it,
// in closed loop: the train runs on the handles Elapse hands back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "drive_script.h"
#include "host_recorder.h"
#include "plugin_api.h"
#include "records.h"

namespace host {

// The host's clock when the drive starts: 10:00:00.
inline constexpr std::int32_t kStartClockMs = 10 * 3600 * 1000;

struct DriveResult {
  std::int64_t frames = 0;
  std::int64_t simulatedMs = 0;
  // Chained drives only: frames on which Elapse handed back other brake,
  // power or reverser positions than the driver had set.
  std::int64_t framesHandlesDiffered = 0;
  std::size_t expectations = 0;
  // Where the train came to rest after moving, in order, and the farthest
  // its front reached: the stops at the route's stations come from these.
  std::vector<double> stops;
  double farthest = 0;
  // "file:line: ..." for every expectation that failed, and a note if the
  // train left the line; empty when the drive went as the script said.
  std::vector<std::string> failures;
};

// How the frames are timed, and whether the drive ends as a crash.
struct Pacing {
  bool realtime = false;        // each frame waits for its wall-clock time
  std::int64_t crashAtMs = -1;  // before the first frame at or past it, crash
};

// Everything about a drive but the module and the script.
struct DriveSetup {
  int fps = 60;
  // The module may hand back other handles and write the panel and sound
  // arrays: a train's own plug-in, driven directly or chained behind cablog.
  bool trainRules = false;
  Pacing pacing;
  HostRecorder* recorder = nullptr;  // --record: every call made, and what came back
  // Runs once Load and GetPluginVersion have returned; if it throws, the
  // module gets Dispose and the exception goes on.
  std::function<void()> afterLoad;
};

// Number of frames needed to reach the end of the script.
std::int64_t framesFor(const Script& script, int fps);

// Throws ModuleError, naming the frame, if the module answers the wrong
// version, or if a logger does not hand back the handles it was given or
// writes into the panel or sound arrays. Under `trainRules` the arrays keep
// what the module left in them from frame to frame, as a host's do, and the
// frames whose handles differ from the driver's are counted instead.
// Either way the train runs on the brake, power and reverser Elapse handed
// back, from the next frame on; the constant-speed field moves nothing. A
// crash (`pacing`) ends the process there and then, without Dispose and
// without unwinding.
DriveResult drive(const PluginApi& api, const Script& script, const DriveSetup& setup);

inline DriveResult drive(const PluginApi& api, const Script& script, int fps,
                         bool trainRules = false) {
  return drive(api, script, DriveSetup{fps, trainRules, {}, nullptr, {}});
}

}  // namespace host
