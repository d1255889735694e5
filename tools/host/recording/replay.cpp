#include "replay.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>

#include "call_text.h"
#include "command_line.h"
#include "crash_report.h"
#include "host_error.h"
#include "module_caller.h"
#include "platform/platform.h"
#include "plugin_module.h"
#include "recording_reader.h"

namespace host {
namespace {

constexpr std::size_t kArraySize = cablog::recording::kArraySize;
// Every output compared: the four handle fields, whether the plug-in failed
// (1) or not (0), then the panel and the sound entries.
constexpr std::size_t kHandleOutputs = 4;
constexpr std::size_t kFaultOutput = kHandleOutputs;
constexpr std::size_t kPanelOutputs = kFaultOutput + 1;
constexpr std::size_t kOutputs = kPanelOutputs + 2 * kArraySize;

std::string outputName(std::size_t output) {
  static constexpr const char* kNames[] = {"brake", "power", "reverser", "constant speed", "fault"};
  if (output < kPanelOutputs) return kNames[output];
  output -= kPanelOutputs;
  return (output < kArraySize ? "panel[" : "sound[") + std::to_string(output % kArraySize) + "]";
}

// What the exception being handled says, on one line.
std::string currentExceptionText() {
  try {
    throw;
  } catch (const std::exception& error) {
    std::string text = std::string("an exception: ") + error.what();
    for (char& c : text) c = static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    return text;
  } catch (...) {
    return "an exception that is not a std::exception";
  }
}

// A chained cablog tells of its plug-in's faults only in its status file
// beside it: "faults:  N; first: ..." and "brake:   on E frames ...". Only a
// file the replay's own Load wrote counts.
class ChainStatus {
 public:
  ChainStatus(const std::filesystem::path& module, std::filesystem::file_time_type since)
      : file_(std::filesystem::path(module).replace_extension(".chain.txt")), since_(since) {}

  // Whether cablog braked for its plug-in since the last look.
  bool brakedAgain() {
    const std::uint64_t before = braked_;
    read();
    return braked_ > before;
  }
  // The fault line, empty without a fault.
  const std::string& faultLine() {
    read();
    return faultLine_;
  }

 private:
  void read() {
    std::error_code error;
    if (std::filesystem::last_write_time(file_, error) < since_ || error) return;
    std::ifstream in(file_, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      if (line.ends_with('\r')) line.pop_back();
      if (line.starts_with("faults:")) faultLine_ = line;
      if (line.starts_with("brake:   on ")) braked_ = std::strtoull(line.c_str() + 12, nullptr, 10);
    }
  }

  std::filesystem::path file_;
  std::filesystem::file_time_type since_;
  std::uint64_t braked_ = 0;
  std::string faultLine_;
};

const char* kUsage =
    "usage: cablog-host replay RECORDING --module PATH [--report FILE] [--timeout SECONDS]\n"
    "       cablog-host show RECORDING\n";

// The outputs of one frame that differ, and the tallies over the run.
class Differences {
 public:
  explicit Differences(std::ostream* report) : report_(report) {
    if (report_ != nullptr) *report_ << "frame,time,location,output,recorded,replayed\r\n";
  }

  void note(std::size_t output, std::int32_t recorded, std::int32_t replayed) {
    ++perOutput_[output];
    frameDiffers_ = true;
    if (first_ == 0) {
      first_ = frame_;
      firstState_ = *state_;
    }
    if (first_ == frame_) {
      firstLines_ += "  " + outputName(output) + ": recorded " + std::to_string(recorded) +
                     ", replayed " + std::to_string(replayed) + "\n";
    }
    if (report_ != nullptr) {
      *report_ << frame_ << ',' << clockText(state_->time) << ',' << doubleText(state_->location)
               << ',' << outputName(output) << ',' << recorded << ',' << replayed << "\r\n";
    }
  }

  void compareArray(std::size_t firstOutput, const HostArray& recorded,
                    const std::array<std::int32_t, kArraySize>& replayed) {
    if (std::memcmp(recorded.data(), replayed.data(), sizeof replayed) == 0) return;
    for (std::size_t i = 0; i < kArraySize; ++i) {
      if (recorded[i] != replayed[i]) note(firstOutput + i, recorded[i], replayed[i]);
    }
  }

  void startFrame(std::uint64_t frame, const VehicleState& state) {
    frame_ = frame;
    state_ = &state;
    frameDiffers_ = false;
  }
  bool frameDiffers() const { return frameDiffers_; }

  void printSummary(std::ostream& out) const {
    if (first_ == 0) return;
    out << "first difference at frame " << first_ << ", " << clockText(firstState_.time)
        << ", location " << doubleText(firstState_.location) << ":\n"
        << firstLines_ << "frames differing, per output:\n";
    for (std::size_t i = 0; i < kOutputs; ++i) {
      if (perOutput_[i] > 0) out << "  " << outputName(i) << ": " << perOutput_[i] << "\n";
    }
  }
  std::uint64_t first() const { return first_; }

 private:
  std::ostream* report_;
  std::array<std::uint64_t, kOutputs> perOutput_{};
  std::uint64_t frame_ = 0;
  const VehicleState* state_ = nullptr;
  bool frameDiffers_ = false;
  std::uint64_t first_ = 0;
  VehicleState firstState_{};
  std::string firstLines_;
};

const char* callName(CallTag tag) {
  // The names are literals: their text ends in a NUL.
  return cablog::recording::kCallKinds[static_cast<int>(tag) - 1].name.data();
}

// A recorded call other than Elapse (which is compared, below), with the
// arguments its shape takes.
template <cablog::CallShape shape, typename Function>
void replayCall(const Caller& module, const char* name, Function PluginApi::*entry,
                const RecordedCall& c) {
  using cablog::CallShape;
  if constexpr (shape == CallShape::Int) {
    module.call(name, entry, c.value);
  } else if constexpr (shape == CallShape::Vehicle) {
    module.call(name, entry, c.vehicle);
  } else if constexpr (shape == CallShape::Beacon) {
    module.call(name, entry, c.beacon);
  } else if constexpr (shape != CallShape::Frame) {
    module.call(name, entry);
  }
}

void call(const Caller& module, const RecordedCall& c) {
  switch (c.tag) {
#define HOST_REPLAY_CALL(name, method, tag, shape)                            \
  case CallTag::name:                                                         \
    replayCall<cablog::CallShape::shape>(module, #name, &PluginApi::name, c); \
    break;
    CABLOG_HOST_CALLS(HOST_REPLAY_CALL)
#undef HOST_REPLAY_CALL
    case CallTag::Gap:
      break;  // with the comparison, below
  }
}

std::string fileFacts(std::uint64_t size, std::uint64_t hash) {
  return std::to_string(size) + " bytes, fnv1a64 " + hex64(hash);
}

// Makes the recorded calls and compares each Elapse. A call that throws is
// caught at the boundary, as cablog catches a chained plug-in's: an Elapse
// that throws counts as a difference, `fault`, and the next call is made all
// the same.
class Replayer {
 public:
  Replayer(const PluginApi& api, Differences& differences, ChainStatus& chain)
      : caller_(api, Caller::kExceptionsReturn), differences_(differences), chain_(chain) {}

  void replay(const RecordedCall& recorded) {
    if (recorded.tag == CallTag::Gap) {
      gaps +=
          "the recording has a gap: " + gapText(recorded, frame()) + "; they are not compared\n";
      result.missing += recorded.missedFrames;
      return;
    }
    if (recorded.tag != CallTag::Elapse) {
      try {
        call(caller_, recorded);
      } catch (...) {
        noteFault(recorded.tag);
      }
      return;
    }
    ++result.frames;
    differences_.startFrame(frame(), recorded.state);
    if (result.frames == 1) firstTime_ = recorded.state.time;
    caller_.at(static_cast<std::int64_t>(frame()), recorded.state.time - firstTime_,
               recorded.state.location);
    if (recorded.panelGiven) panel_ = *recorded.panelIn;
    if (recorded.soundGiven) sound_ = *recorded.soundIn;
    try {
      const HandleRecord back = caller_.call("Elapse", &PluginApi::Elapse, recorded.state,
                                             recorded.panelGiven ? panel_.data() : nullptr,
                                             recorded.soundGiven ? sound_.data() : nullptr);
      compare(recorded, back);
    } catch (...) {
      noteFault(CallTag::Elapse);
      differences_.note(kFaultOutput, recorded.faulted, 1);
    }
    result.differing += differences_.frameDiffers();
  }

  ReplayResult result;
  std::string firstFault;
  // A line for each gap in the recording.
  std::string gaps;

 private:
  void compare(const RecordedCall& recorded, const HandleRecord& back) {
    const HandleRecord& want = recorded.back;
    if (back.brake != want.brake) differences_.note(0, want.brake, back.brake);
    if (back.power != want.power) differences_.note(1, want.power, back.power);
    if (back.reverser != want.reverser) differences_.note(2, want.reverser, back.reverser);
    if (back.constantSpeed != want.constantSpeed) {
      differences_.note(3, want.constantSpeed, back.constantSpeed);
    }
    if (recorded.panelGiven) differences_.compareArray(kPanelOutputs, *recorded.panelOut, panel_);
    if (recorded.soundGiven) {
      differences_.compareArray(kPanelOutputs + kArraySize, *recorded.soundOut, sound_);
    }
    // Into cablog chained, its plug-in's fault shows only in the status
    // file, read on the frames where one may be.
    const bool braked = (recorded.faulted || differences_.frameDiffers()) && chain_.brakedAgain();
    if (recorded.faulted || braked) differences_.note(kFaultOutput, recorded.faulted, braked);
  }

  // The frame's number in the recorded run, the frames of gaps counted.
  std::uint64_t frame() const { return result.frames + result.missing; }

  void noteFault(CallTag tag) {
    if (result.faults++ > 0) return;
    firstFault = std::string(callName(tag)) + " at frame " + std::to_string(frame()) + ": " +
                 currentExceptionText();
  }

  const Caller caller_;
  Differences& differences_;
  ChainStatus& chain_;
  std::array<std::int32_t, kArraySize> panel_{};
  std::array<std::int32_t, kArraySize> sound_{};
  std::int64_t firstTime_ = 0;  // the crash report counts time from the first frame
};

void printEnd(const ReplayResult& result, const RecordingReader& reader,
              const Differences& differences, const Replayer& replayer, std::ostream& out) {
  if (reader.cutShort()) {
    out << "the recording is cut short: the call at byte " << reader.offset()
        << " is incomplete; every call before it was replayed\n";
  }
  out << replayer.gaps;
  differences.printSummary(out);
  if (result.faults > 0) {
    out << "the module failed " << result.faults << " times, first in " << replayer.firstFault
        << "\n";
  }
  if (!result.chainFaults.empty()) {
    out << "the module's chained plug-in failed; its status file says: " << result.chainFaults
        << "\n";
  }
  out << "Replay is open loop: every frame gets the state the recorded run had. After the first "
         "difference the real train would have moved otherwise, so later differences may only "
         "follow from the first.\n";
  char speed[96];
  std::snprintf(speed, sizeof speed, "replay speed: %.0f frames a second (%.3f s)\n",
                result.seconds > 0 ? static_cast<double>(result.frames) / result.seconds : 0.0,
                result.seconds);
  out << speed << "replayed " << result.frames << " frames: " << result.frames - result.differing
      << " identical, " << result.differing << " differ, first difference at frame "
      << (result.firstDifference == 0 ? std::string("-") : std::to_string(result.firstDifference))
      << (result.missing == 0 ? std::string()
                              : ", " + std::to_string(result.missing) + " not recorded")
      << "\n";
}

std::int64_t parseSeconds(const std::string& text) {
  std::size_t used = 0;
  long long seconds = -1;
  try {
    seconds = std::stoll(text, &used);
  } catch (const std::exception&) {
  }
  if (used != text.size() || seconds < 0 || seconds > 86400) {
    throw UsageError("--timeout '" + text + "': expected whole seconds from 0 (no limit) to 86400");
  }
  return seconds;
}

}  // namespace

ReplayOptions parseReplayOptions(const std::vector<std::string>& args) {
  ReplayOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "--module") {
      options.module = value();
    } else if (arg == "--report") {
      options.report = value();
    } else if (arg == "--timeout") {
      options.timeoutSeconds = parseSeconds(value());
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option " + arg);
    } else if (!options.recording.empty()) {
      throw UsageError("only one recording, please (got " + options.recording + " and " + arg +
                       ")");
    } else {
      options.recording = arg;
    }
  }
  if (options.recording.empty()) throw UsageError("which recording? (give its path)");
  if (options.module.empty()) throw UsageError("which module? (give it with --module PATH)");
  return options;
}

ReplayResult replay(const ReplayOptions& options, std::ostream& out) {
  std::ifstream in(pathOf(options.recording), std::ios::binary);
  if (!in) throw HostError("cannot open the recording " + options.recording);
  RecordingReader reader(in);
  const RecordingHeader& header = reader.header();
  out << "recording: " << options.recording << " (cablog " << header.cablogVersion << ", "
      << (header.moduleName.empty() ? std::string("no train plug-in chained")
                                    : "chained to " + header.moduleName + ", " +
                                          fileFacts(header.moduleSize, header.moduleHash))
      << ")\n";

  // Kept for the crash report, which names it.
  static std::string module;
  module = std::filesystem::absolute(pathOf(options.module)).string();
  // Files keep the time of their last write; anything older is not this
  // replay's.
  const auto filesSince = std::filesystem::file_time_type::clock::now() - std::chrono::seconds(2);
  const PluginModule plugin(module);
  callSite().module.store(module.c_str());
  if (const auto bytes = cablog::platform::readFile(module)) {
    const std::uint64_t hash = cablog::recording::fnv1a64(*bytes);
    const bool same = hash == header.moduleHash && bytes->size() == header.moduleSize;
    out << "module:    " << module << " (" << fileFacts(bytes->size(), hash)
        << (same ? "; the very file recorded" : "") << ")\n";
  }

  std::ofstream reportFile;
  if (!options.report.empty()) {
    reportFile.open(pathOf(options.report), std::ios::binary | std::ios::trunc);
    if (!reportFile) throw HostError("cannot write the report " + options.report);
  }
  Differences differences(options.report.empty() ? nullptr : &reportFile);

  ChainStatus chain(module, filesSince);
  Replayer replayer(plugin.api(), differences, chain);
  RecordedCall recorded;
  startWatchdog(options.timeoutSeconds);
  const auto start = std::chrono::steady_clock::now();
  while (reader.next(recorded)) replayer.replay(recorded);
  ReplayResult result = replayer.result;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.firstDifference = differences.first();
  if (reportFile.is_open() && !reportFile.flush()) {
    throw HostError("cannot write the report " + options.report);
  }

  result.chainFaults = chain.faultLine();
  printEnd(result, reader, differences, replayer, out);
  return result;
}

int replayCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  ReplayOptions options;
  try {
    options = parseReplayOptions(args);
    const ReplayResult result = replay(options, out);
    if (result.faults > 0 || !result.chainFaults.empty()) return kExitCrashed;
    if (result.frames == 0) {
      err << "cablog-host replay: " << options.recording
          << ": the recording holds no frame, so nothing was compared\n";
      return kExitCannotRun;
    }
    return result.differing > 0 ? kExitFailed : kExitHeld;
  } catch (const UsageError& error) {
    err << "cablog-host replay: " << error.what() << "\n\n" << kUsage;
  } catch (const RecordingError& error) {
    out.flush();
    err << "cablog-host replay: " << options.recording << ": " << error.what() << "\n";
  } catch (const std::exception& error) {
    out.flush();
    err << "cablog-host replay: " << error.what() << "\n";
  }
  return kExitCannotRun;
}

}  // namespace host
