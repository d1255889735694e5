// A whole run as a host drives it: loads the built module, calls Elapse for
// every frame of a long run at interval 1 with twenty columns, timing each
// call, then Dispose. Prints one "name value" line per measure. With FLUSH,
// the log is streamed to its file every FLUSH seconds or threshold, and the
// calls that wrote it (the file grew) are timed on their own as well. With
// RECORD 1, every call is recorded beside the log ([Log] Record=1).
//
//   cablog_long_run MODULE [FRAMES] [FOLDER] [FLUSH] [RECORD]
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/host_module.h"
#include "bench/process_stats.h"

namespace cablog::bench {
namespace {

using Clock = std::chrono::steady_clock;

// Call times in whole nanoseconds up to 64 µs, one bucket each: exact
// percentiles without holding one sample per frame, which would itself
// inflate the resident memory being measured.
class CallTimes {
 public:
  void add(std::uint64_t ns) {
    ++counts_[std::min<std::uint64_t>(ns, counts_.size() - 1)];
    total_ += ns;
    worst_ = std::max(worst_, ns);
    ++calls_;
  }
  double mean() const { return calls_ == 0 ? 0.0 : static_cast<double>(total_) / calls_; }
  std::uint64_t worst() const { return worst_; }
  // The smallest time that at least `fraction` of the calls did not exceed.
  std::uint64_t percentile(double fraction) const {
    const auto wanted = static_cast<std::uint64_t>(fraction * static_cast<double>(calls_));
    std::uint64_t seen = 0;
    for (std::size_t ns = 0; ns < counts_.size(); ++ns) {
      seen += counts_[ns];
      if (seen >= wanted && seen > 0) return ns == counts_.size() - 1 ? worst_ : ns;
    }
    return worst_;
  }

 private:
  std::vector<std::uint32_t> counts_ = std::vector<std::uint32_t>(65536);
  std::uint64_t total_ = 0;
  std::uint64_t worst_ = 0;
  std::uint64_t calls_ = 0;
};

std::uint64_t nanosecondsSince(Clock::time_point start) {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
}

// The same timing around a call that does nothing: what the machine itself
// adds to a call's worst case (timer interrupts, other programs).
HandleRecord emptyElapse(VehicleState, std::int32_t*, std::int32_t*) {
  return {};
}

std::uint64_t worstEmptyCall(std::uint64_t calls) {
  HandleRecord (*volatile call)(VehicleState, std::int32_t*, std::int32_t*) = emptyElapse;
  std::uint64_t worst = 0;
  for (std::uint64_t i = 0; i < calls; ++i) {
    const VehicleState state = frameAt(i);
    const auto start = Clock::now();
    call(state, nullptr, nullptr);
    worst = std::max(worst, nanosecondsSince(start));
  }
  return worst;
}

std::filesystem::path findLog(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("Log_", 0) == 0 && name.ends_with(".csv")) return entry.path();
  }
  return {};
}

int run(const std::filesystem::path& builtModule, std::uint64_t frames,
        const std::filesystem::path& folder, std::int32_t flushSeconds, bool record) {
  std::filesystem::remove_all(folder);
  const auto module = prepareModuleFolder(builtModule, folder, 1, flushSeconds, record);
  std::vector<std::uint64_t> flushTimes;  // a few thousand: no weight in memory
  flushTimes.reserve(65536);
  CallTimes times;
  std::uint64_t disposeNs = 0;
  std::uint64_t worstCpu = 0;  // processor time of the costliest call
  std::int64_t switchesBefore = 0;
  std::int64_t switchesDuring = 0;
  {
    LoadedModule host = loadHostModule(module);
    host.Load();
    host.SetReverser(1);
    host.DoorClose();
    host.SetSignal(4);
    std::array<std::int32_t, 256> panel{};
    std::array<std::int32_t, 256> sound{};
    // A streamed log exists from Load on; its growth marks the calls that
    // wrote it.
    const std::filesystem::path streamed =
        flushSeconds > 0 ? findLog(folder) : std::filesystem::path();
    std::uintmax_t streamedSize = streamed.empty() ? 0 : std::filesystem::file_size(streamed);
    switchesBefore = involuntarySwitches();
    for (std::uint64_t frame = 0; frame < frames; ++frame) {
      // The driver moves the handles now and then, between frames.
      if (frame % 600 == 0) {
        host.SetPower(static_cast<std::int32_t>(frame / 600 % 5));
        host.SetBeaconData({static_cast<std::int32_t>(frame % 31), 4, 250.5f, 0});
      }
      const VehicleState state = frameAt(frame);
      // The processor-time reads stay outside the wall-clock interval.
      const std::uint64_t cpuStart = threadCpuNanoseconds();
      const auto start = Clock::now();
      host.Elapse(state, panel.data(), sound.data());
      const std::uint64_t ns = nanosecondsSince(start);
      times.add(ns);
      worstCpu = std::max(worstCpu, threadCpuNanoseconds() - cpuStart);
      if (!streamed.empty()) {
        const std::uintmax_t size = std::filesystem::file_size(streamed);
        if (size != streamedSize) flushTimes.push_back(ns);
        streamedSize = size;
      }
    }
    const auto start = Clock::now();
    host.Dispose();
    disposeNs = nanosecondsSince(start);
    switchesDuring = involuntarySwitches() - switchesBefore;
  }
  const std::uint64_t peak = peakResidentBytes();
  const std::uint64_t emptyWorst = worstEmptyCall(frames);
  const std::filesystem::path log = findLog(folder);
  const std::uint64_t logBytes = log.empty() ? 0 : std::filesystem::file_size(log);
  std::filesystem::path recording = log;
  recording.replace_extension(".rec");
  const std::uint64_t recordingBytes =
      record && std::filesystem::exists(recording) ? std::filesystem::file_size(recording) : 0;

  std::printf("frames %llu\n", static_cast<unsigned long long>(frames));
  std::printf("elapse_mean_ns %.1f\n", times.mean());
  std::printf("elapse_p999_ns %llu\n", static_cast<unsigned long long>(times.percentile(0.999)));
  std::printf("elapse_worst_ns %llu\n", static_cast<unsigned long long>(times.worst()));
  if (worstCpu > 0) {
    std::printf("elapse_worst_cpu_ns %llu\n", static_cast<unsigned long long>(worstCpu));
  }
  std::printf("empty_call_worst_ns %llu\n", static_cast<unsigned long long>(emptyWorst));
  if (flushSeconds > 0) {
    std::sort(flushTimes.begin(), flushTimes.end());
    std::uint64_t total = 0;
    for (std::uint64_t t : flushTimes) total += t;
    const auto at = [&](double fraction) {
      return flushTimes.empty()
                 ? 0ull
                 : static_cast<unsigned long long>(
                       flushTimes[static_cast<std::size_t>(fraction * (flushTimes.size() - 1))]);
    };
    std::printf("flush_seconds %d\n", flushSeconds);
    std::printf("flush_calls %zu\n", flushTimes.size());
    std::printf("flush_mean_ns %.1f\n",
                flushTimes.empty() ? 0.0 : static_cast<double>(total) / flushTimes.size());
    std::printf("flush_p99_ns %llu\n", at(0.99));
    std::printf("flush_worst_ns %llu\n", at(1.0));
  }
  std::printf("dispose_ns %llu\n", static_cast<unsigned long long>(disposeNs));
  std::printf("log_bytes %llu\n", static_cast<unsigned long long>(logBytes));
  if (record)
    std::printf("recording_bytes %llu\n", static_cast<unsigned long long>(recordingBytes));
  std::printf("peak_resident_bytes %llu\n", static_cast<unsigned long long>(peak));
  if (switchesBefore >= 0) {
    std::printf("involuntary_switches %lld\n", static_cast<long long>(switchesDuring));
  }
  std::filesystem::remove_all(folder);
  return logBytes > 0 ? 0 : 1;
}

}  // namespace
}  // namespace cablog::bench

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s MODULE [FRAMES] [FOLDER] [FLUSH] [RECORD]\n", argv[0]);
    return 2;
  }
  const std::uint64_t frames = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 2'000'000;
  const std::filesystem::path folder =
      argc > 3 ? std::filesystem::path(argv[3]) : cablog::bench::scratchFolder("cablog_long_run");
  const auto flushSeconds = static_cast<std::int32_t>(argc > 4 ? std::atoi(argv[4]) : 0);
  const bool record = argc > 5 && std::atoi(argv[5]) != 0;
  try {
    return cablog::bench::run(std::filesystem::absolute(argv[1]), frames, folder, flushSeconds,
                              record);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
