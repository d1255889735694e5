// cablog-host replay: plays a recording into a module, call for call, and
// compares what each Elapse hands back with what the recorded run got.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace host {

struct ReplayOptions {
  std::string recording;
  std::string module;
  std::string report;  // empty: no report
  std::int64_t timeoutSeconds = 10;  // for one call into the module; 0: no watchdog
};

// `args` follow the word "replay". Throws UsageError.
ReplayOptions parseReplayOptions(const std::vector<std::string>& args);

struct ReplayResult {
  std::uint64_t frames = 0;
  std::uint64_t differing = 0;
  std::uint64_t firstDifference = 0;  // frame number from 1; 0: none
  double seconds = 0;                 // the calls alone, file reading included
  // Calls that threw out of the module.
  std::uint64_t faults = 0;
  // A chained cablog's line on its plug-in's faults; empty without any.
  std::string chainFaults;
  // Frames of the recorded run that the recording lacks (gap records):
  // neither replayed nor compared, but counted in the frame numbers.
  std::uint64_t missing = 0;
};

// Loads the module and replays the recording into it, printing the summary
// to `out` (last line: "replayed N frames: ..."). Throws RecordingError for a
// damaged or foreign recording, HostError for a module that cannot be used.
ReplayResult replay(const ReplayOptions& options, std::ostream& out);

// The whole subcommand: 0 when no frame differs, 1 when one does, 2 when the
// recording (one with no frame too) or the module cannot be used (with a
// message on `err`), 3 when the module, or the plug-in a chained cablog
// carries, failed; a crash also ends the process with 3, a hang with 4.
int replayCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace host
