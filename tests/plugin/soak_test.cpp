// Ten million frames, every one sampled, with twenty columns, through the
// built module: the host must keep running and the log must come out whole,
// written at Dispose or streamed as it grows. Too slow for the default
// suite: script/soak runs each mode in a process of its own (peak memory is
// the process's) and reports memory, time and file size.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "tests/support/module_under_test.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

namespace fs = std::filesystem;

constexpr int kFrames = 10'000'000;

long peakMemoryMiB() {
#ifdef _WIN32
  return -1;
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;  // kilobytes on Linux
#endif
}

// Lines and their commas, read back in large pieces.
struct LogShape {
  long long lines = 0;
  long long commas = 0;
  bool crBeforeEveryLf = true;
};

LogShape shapeOf(const fs::path& file) {
  LogShape shape;
  std::ifstream in(file, std::ios::binary);
  std::string chunk(1 << 20, '\0');
  char previous = '\0';
  while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
    const auto n = static_cast<std::size_t>(in.gcount());
    for (std::size_t i = 0; i < n; ++i) {
      const char c = chunk[i];
      if (c == '\n') {
        ++shape.lines;
        if (previous != '\r') shape.crBeforeEveryLf = false;
      }
      shape.commas += c == ',';
      previous = c;
    }
  }
  return shape;
}

void soak(const char* mode, const char* settings) {
  testing::TempDir cwd("cablog-cwd");
  testing::TempDir folder("cablog-soak.dll.d");
  testing::CurrentDirectory inside(cwd.path());
  const std::string stem = fs::path(testing::builtModuleName()).stem().string();
  constexpr int kColumns = 20;
  folder.write(stem + ".csv",
               "TIME_HHMMSS,Clock\nLOCATION,Location\nSPEED,Speed\nACCELERATION,Acceleration\n"
               "TIME,Time\nBC,BC\nMR,MR\nER,ER\nBP,BP\nSAP,SAP\nCURRENT,Current\n"
               "POWER,Power\nBRAKE,Brake\nREVERSER,Reverser\nSIGNAL,Signal\nPILOTLAMP,Doors\n"
               "BEACON_TYPE,Beacon type\nBEACON_SIGNAL,Beacon signal\n"
               "BEACON_DISTANCE,Beacon distance\nBEACON_OPTIONAL,Beacon optional\n");
  folder.write(stem + ".ini", settings);

  const long memoryBefore = peakMemoryMiB();
  testing::ModuleUnderTest module(folder.path());
  ASSERT_TRUE(module.missing().empty()) << module.missing().front();
  module.Load();
  std::int32_t panel[256] = {};
  std::int32_t sound[256] = {};
  VehicleState state{};
  const auto start = std::chrono::steady_clock::now();
  for (int frame = 0; frame < kFrames; ++frame) {
    state.time = 21'600'000 + frame * 16;
    state.location += 0.4;
    state.speed = static_cast<float>(frame % 3000) * 0.03f;
    state.bc = static_cast<float>(frame % 500);
    state.mr = 780.0f + static_cast<float>(frame % 100);
    state.er = 490.0f;
    state.bp = 490.5f;
    state.current = static_cast<float>(frame % 700) - 200.0f;
    if (frame % 1000 == 0) module.SetPower(frame / 1000 % 5);
    const HandleRecord handles = module.Elapse(state, panel, sound);
    if (handles.power != frame / 1000 % 5) FAIL() << "echo lost at frame " << frame;
  }
  const auto framesDone = std::chrono::steady_clock::now();
  module.Dispose();
  const auto disposed = std::chrono::steady_clock::now();
  const long memoryPeak = peakMemoryMiB();

  fs::path log;
  for (const auto& entry : fs::directory_iterator(folder.path())) {
    if (entry.path().filename().string().rfind("Log_", 0) == 0) log = entry.path();
  }
  ASSERT_FALSE(log.empty());
  const auto bytes = fs::file_size(log);
  const LogShape shape = shapeOf(log);
  EXPECT_EQ(shape.lines, kFrames + 1LL);
  EXPECT_EQ(shape.commas, (kFrames + 1LL) * kColumns);
  EXPECT_TRUE(shape.crBeforeEveryLf);

  using Ms = std::chrono::duration<double, std::milli>;
  std::printf("soak, %s: %d frames in %.0f ms (%.1f ns a frame), Dispose %.0f ms\n", mode, kFrames,
              Ms(framesDone - start).count(), Ms(framesDone - start).count() * 1e6 / kFrames,
              Ms(disposed - framesDone).count());
  std::printf(
      "soak, %s: log %llu bytes (%.1f MiB), %lld lines; peak memory %ld MiB (%ld MiB before)\n",
      mode, static_cast<unsigned long long>(bytes), static_cast<double>(bytes) / (1 << 20),
      shape.lines, memoryPeak, memoryBefore);
}

TEST(Soak, DISABLED_TenMillionFramesAtIntervalOne) {
  soak("written at Dispose", "[Frame]\nSkip=1\n");
}

TEST(Soak, DISABLED_TenMillionFramesAtIntervalOneStreamed) {
  soak("streamed, Flush=1", "[Frame]\nSkip=1\n[Log]\nFlush=1\n");
}

}  // namespace
}  // namespace cablog
