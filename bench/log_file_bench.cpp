// Reading the column file at Load, and writing the log at Dispose against
// the plainest possible write of the same bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/host_module.h"
#include "logging/column_file.h"
#include "logging/frame_sampling.h"
#include "logging/log_file.h"
#include "tests/support/held_text.h"

namespace cablog::bench {
namespace {

std::filesystem::path scratch(const char* name) {
  const auto folder = scratchFolder("cablog_bench_files");
  std::filesystem::create_directories(folder);
  return folder / name;
}

void BM_ReadColumnFile(benchmark::State& state) {
  const std::string path = scratch("columns.csv").string();
  std::ofstream(path, std::ios::binary) << twentyColumnFile();
  for (auto _ : state) {
    ColumnList columns;
    LogBuffer header;
    readColumns(columns, header, path);
    benchmark::DoNotOptimize(columns.data());
  }
}
BENCHMARK(BM_ReadColumnFile);

// Megabytes of log the Dispose benchmarks write; the smoke test makes it small.
std::size_t logMegabytes() {
  const char* size = std::getenv("CABLOG_BENCH_LOG_MB");
  return size != nullptr ? std::strtoull(size, nullptr, 10) : 200;
}

// A log of twenty columns, built once by sampled frames.
const Logger& bigLog() {
  static const Logger* logger = [] {
    auto* built = new Logger;
    parseColumns(built->columns, built->logBuffer, twentyColumnFile());
    built->sampleInterval = 1;
    const std::size_t bytes = logMegabytes() << 20;
    for (std::uint64_t frame = 0; built->logBuffer.size() < bytes; ++frame) {
      sampleFrame(*built, readingsOf(frameAt(frame)));
    }
    return built;
  }();
  return *logger;
}

// Every write goes to a new file, as Dispose's does. Replacing a file whose
// pages the system is still writing back waits for that writeback, which
// would time the disk, not the write.
class FreshFiles {
 public:
  explicit FreshFiles(const char* stem) : stem_(stem) {}
  ~FreshFiles() { removeLast(); }
  std::string next(benchmark::State& state) {
    state.PauseTiming();
    removeLast();
    last_ = scratch((stem_ + std::to_string(count_++) + ".csv").c_str()).string();
    state.ResumeTiming();
    return last_;
  }

 private:
  void removeLast() {
    if (!last_.empty()) std::filesystem::remove(last_);
  }
  std::string stem_;
  std::string last_;
  int count_ = 0;
};

void BM_Dispose(benchmark::State& state) {
  const Logger& logger = bigLog();
  FreshFiles files("dispose");
  for (auto _ : state) {
    bool created = false;
    if (!writeLogFile(files.next(state), logger.logBuffer, created)) {
      state.SkipWithError("cannot write the log");
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(logger.logBuffer.size()));
}
BENCHMARK(BM_Dispose)->Unit(benchmark::kMillisecond);

void BM_OneFwrite(benchmark::State& state) {
  const std::string bytes = testing::heldText(bigLog().logBuffer);
  FreshFiles files("fwrite");
  for (auto _ : state) {
    std::FILE* file = std::fopen(files.next(state).c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
      state.SkipWithError("cannot write the file");
    }
    if (file != nullptr) std::fclose(file);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_OneFwrite)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace cablog::bench
