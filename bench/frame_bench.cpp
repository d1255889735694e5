// The per-frame cost: a sampled frame built in the core, and the calls a
// host makes most, through the loaded module's exports.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>

#include "bench/host_module.h"
#include "logging/column_file.h"
#include "logging/frame_sampling.h"
#include "logging/logger.h"

namespace cablog::bench {
namespace {

// Large enough that a benchmark run never wraps it, small enough that its
// memory stays modest; clearing the log now and then keeps the cost of
// fresh blocks in the figure, as a long run pays it.
constexpr std::size_t kLogLimit = std::size_t{64} << 20;

void BM_SampledFrame(benchmark::State& state) {
  Logger logger;
  parseColumns(logger.columns, logger.logBuffer, twentyColumnFile());
  logger.sampleInterval = 1;
  logger.framesToSample = 1;
  ValueTable& v = logger.values;
  v.setInt(ValueKey::Power, 3);
  v.setInt(ValueKey::Brake, 0);
  v.setInt(ValueKey::Reverser, 1);
  v.setInt(ValueKey::Signal, 4);
  v.setBool(ValueKey::PilotLamp, true);
  v.setInt(ValueKey::BeaconType, 12);
  v.setInt(ValueKey::BeaconSignal, 4);
  v.setFloat(ValueKey::BeaconDistance, 250.5f);
  v.setInt(ValueKey::BeaconOptional, 0);
  std::uint64_t frame = 0;
  for (auto _ : state) {
    sampleFrame(logger, readingsOf(frameAt(frame++)));
    if (logger.logBuffer.size() > kLogLimit) logger.logBuffer.clear();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SampledFrame);

// The module in a folder of its own whose interval no benchmark reaches,
// loaded with its INI file replaced by `settings` unless they are empty.
LoadedModule* loadedModule(const char* name, const char* settings) {
  const auto folder = scratchFolder(name);
  const auto module =
      prepareModuleFolder(CABLOG_MODULE_PATH, folder, std::numeric_limits<std::int32_t>::max());
  if (*settings != '\0') {
    std::filesystem::path ini = module;
    std::ofstream(ini.replace_extension(".ini"), std::ios::trunc) << settings;
  }
  auto* loaded = new LoadedModule(loadHostModule(module));
  loaded->Load();
  return loaded;
}

LoadedModule& unsampledModule() {
  static LoadedModule* module = loadedModule("cablog_bench_module", "");
  return *module;
}

void unsampledElapse(benchmark::State& state, LoadedModule& host) {
  std::array<std::int32_t, 256> panel{};
  std::array<std::int32_t, 256> sound{};
  const VehicleState frame = frameAt(1000);
  host.Elapse(frame, panel.data(), sound.data());  // by time, the first frame is a row
  for (auto _ : state) {
    benchmark::DoNotOptimize(host.Elapse(frame, panel.data(), sound.data()));
  }
}
void BM_UnsampledElapse(benchmark::State& state) {
  unsampledElapse(state, unsampledModule());
}
// Frames without events, with event rows on: what the setting adds to them.
void BM_UnsampledElapseEvents(benchmark::State& state) {
  static LoadedModule* module =
      loadedModule("cablog_bench_events", "[Frame]\nSkip=2147483647\n[Log]\nEvents=1\n");
  unsampledElapse(state, *module);
}
// Rows by time: each frame compares its time with the last row's.
void BM_UnsampledElapsePeriod(benchmark::State& state) {
  static LoadedModule* module = loadedModule("cablog_bench_period", "[Frame]\nPeriod=3600000\n");
  unsampledElapse(state, *module);
}
BENCHMARK(BM_UnsampledElapse);
BENCHMARK(BM_UnsampledElapseEvents);
BENCHMARK(BM_UnsampledElapsePeriod);

// The same with every call recorded ([Log] Record=1): the frame's record is
// put together and appended, and written to the file every second. A fresh
// Load now and then starts the recording again, so that the file stays small.
void BM_UnsampledElapseRecorded(benchmark::State& state) {
  static LoadedModule* module = [] {
    const auto folder = scratchFolder("cablog_bench_recorded");
    auto* loaded = new LoadedModule(loadHostModule(prepareModuleFolder(
        CABLOG_MODULE_PATH, folder, std::numeric_limits<std::int32_t>::max(), 0, true)));
    loaded->Load();
    return loaded;
  }();
  std::array<std::int32_t, 256> panel{};
  std::array<std::int32_t, 256> sound{};
  std::uint64_t frame = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(module->Elapse(frameAt(frame), panel.data(), sound.data()));
    if ((++frame & 0xfffff) == 0) {
      state.PauseTiming();
      module->Dispose();
      module->Load();
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_UnsampledElapseRecorded);

#ifdef CABLOG_SAMPLE_PLUGIN_PATH
// The module chained to the sample train plug-in, and the sample alone: the
// difference is what chaining adds to an unsampled frame.
void unsampledChained(benchmark::State& state, bool throughCablog) {
  static LoadedModule* chained = [] {
    const auto folder = scratchFolder("cablog_bench_chained");
    const auto module =
        prepareModuleFolder(CABLOG_MODULE_PATH, folder, std::numeric_limits<std::int32_t>::max());
    std::filesystem::path settings = module;
    std::ofstream(settings.replace_extension(".ini"), std::ios::app)
        << "[Chain]\nModule=" << CABLOG_SAMPLE_PLUGIN_PATH << "\n";
    auto* loaded = new LoadedModule(loadHostModule(module));
    loaded->Load();
    return loaded;
  }();
  static LoadedModule* sample = new LoadedModule(loadHostModule(CABLOG_SAMPLE_PLUGIN_PATH));
  LoadedModule& host = throughCablog ? *chained : *sample;
  std::array<std::int32_t, 256> panel{};
  std::array<std::int32_t, 256> sound{};
  const VehicleState frame = frameAt(1000);
  // The sample stops recording calls once its record is full.
  for (int i = 0; i < 20000; ++i) host.Elapse(frame, panel.data(), sound.data());
  for (auto _ : state) {
    benchmark::DoNotOptimize(host.Elapse(frame, panel.data(), sound.data()));
  }
}
void BM_UnsampledChainedElapse(benchmark::State& state) {
  unsampledChained(state, true);
}
void BM_SampleElapseAlone(benchmark::State& state) {
  unsampledChained(state, false);
}
BENCHMARK(BM_UnsampledChainedElapse);
BENCHMARK(BM_SampleElapseAlone);
#endif

template <typename Call>
void setter(benchmark::State& state, Call call) {
  LoadedModule& host = unsampledModule();
  std::int32_t value = 0;
  for (auto _ : state) {
    call(host, value);
    value = (value + 1) & 7;
  }
}

void BM_SetPower(benchmark::State& s) {
  setter(s, [](LoadedModule& h, std::int32_t v) { h.SetPower(v); });
}
void BM_SetBrake(benchmark::State& s) {
  setter(s, [](LoadedModule& h, std::int32_t v) { h.SetBrake(v); });
}
void BM_SetReverser(benchmark::State& s) {
  setter(s, [](LoadedModule& h, std::int32_t v) { h.SetReverser(v - 1); });
}
void BM_SetSignal(benchmark::State& s) {
  setter(s, [](LoadedModule& h, std::int32_t v) { h.SetSignal(v); });
}
void BM_SetBeaconData(benchmark::State& s) {
  setter(s, [](LoadedModule& h, std::int32_t v) {
    h.SetBeaconData({v, 4, 25.5f * static_cast<float>(v), 0});
  });
}
void BM_DoorOpenClose(benchmark::State& s) {
  setter(s, [](LoadedModule& h, std::int32_t v) { (v & 1) ? h.DoorOpen() : h.DoorClose(); });
}
BENCHMARK(BM_SetPower);
BENCHMARK(BM_SetBrake);
BENCHMARK(BM_SetReverser);
BENCHMARK(BM_SetSignal);
BENCHMARK(BM_SetBeaconData);
BENCHMARK(BM_DoorOpenClose);

}  // namespace
}  // namespace cablog::bench
