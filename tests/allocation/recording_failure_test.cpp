// A recorded, chained run while memory runs out at any one allocation and
// writes fail now and then: the chained plug-in still decides every frame
// (its handles come back as in the clean run), no log row differs from the
// clean run's (rows may be missing), and the recording holds the clean run's
// frames where it holds any, a gap record standing for the rest.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "logging/log_file.h"
#include "platform/platform.h"
#include "plugin/plugin.h"
#include "recording_reader.h"
#include "tests/allocation/counting_allocator.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_seams.h"

namespace cablog {
namespace {

namespace fs = std::filesystem;

// Past a block of the log and of the recording, so that both need another.
constexpr int kFrames = 24'000;

struct DrivenRun {
  std::vector<HandleRecord> back;  // what each frame handed the host
  std::string log;
  // Each recorded frame by its number in the run (gaps counted), as text.
  std::vector<std::string> recorded;
  std::uint64_t missing = 0;
  bool failed = false;  // the allocation made to fail was reached
  bool chained = false;
};

std::string frameText(const host::RecordedCall& call) {
  std::ostringstream text;
  text << call.state.time << ' ' << call.back.brake << ' ' << call.back.power << ' '
       << call.back.reverser << ' ' << (*call.panelOut)[0] << ' ' << (*call.panelOut)[7];
  return text.str();
}

DrivenRun drive(std::size_t failAt, const platform::FileFaults& faults) {
  testing::TempDir folder("cablog-record");
  const std::string sample = fs::absolute(CABLOG_SAMPLE_TRAIN_PLUGIN).string();
  folder.write("Logger.ini",
               "[Frame]\nSkip=1\n[Log]\nRecord=1\nFlush=1\n[Chain]\nModule=" + sample + "\n");
  folder.write("Logger.csv", "TIME,T\nPOWER,P\nBRAKE,B\nPLUGIN_BRAKE,PB\nPLUGIN_POWER,PP\n");
  // Keeping the sample's calls as text would cost more than all the rest.
  std::string error;
  void* kept = platform::loadLibrary(sample, error);
  reinterpret_cast<void (*)(int)>(platform::librarySymbol(kept, "SampleKeepCalls"))(0);
  DrivenRun run;
  std::string logPath;
  {
    Plugin plugin;
    std::int32_t panel[256] = {};
    std::int32_t sound[256] = {};
    run.back.reserve(kFrames);
    // Each look at the clock finds it 5 ms on: writes refused are tried
    // again, and the files keep growing.
    static std::chrono::steady_clock::time_point now;
    platform::useSteadyClock([] { return now += std::chrono::milliseconds(5); });
    platform::injectFileFaults(faults);
    testing::failAllocation(failAt);
    // Each call inside the boundary the exports keep.
    const auto hostCall = [](auto call) {
      try {
        call();
      } catch (const std::bad_alloc&) {
      }
    };
    hostCall([&] { plugin.load(folder.file("Logger.dll")); });
    run.chained = plugin.chain.active();
    hostCall([&] { plugin.setVehicleSpec({8, 5, 4, 1, 10}); });
    for (int i = 0; i < kFrames; ++i) {
      if (i % 40 == 0) hostCall([&] { plugin.setBrake(i / 40 % 9); });
      if (i % 70 == 0) hostCall([&] { plugin.setPower(i / 70 % 6); });
      VehicleState state{};
      state.location = 100.0 + i;
      state.speed = static_cast<float>(i % 90);
      state.time = 36'000'000 + 20 * i;
      try {
        run.back.push_back(plugin.elapse(state, panel, sound));
      } catch (const std::bad_alloc&) {
        run.back.push_back({-1, -1, -1, -1});
      }
    }
    hostCall([&] { plugin.dispose(); });
    run.failed = testing::allocationFailed();
    testing::failAllocation(0);
    platform::injectFileFaults({});
    platform::useSteadyClock(nullptr);
    logPath = plugin.logger.logPath;
  }
  platform::unloadLibrary(kept);
  if (!logPath.empty() && fs::exists(logPath)) run.log = testing::readBytes(logPath);
  std::ifstream in(recordingPathFor(logPath), std::ios::binary);
  if (!in) return run;
  host::RecordingReader reader(in);
  host::RecordedCall call;
  while (reader.next(call)) {
    if (call.tag == recording::CallTag::Gap) {
      run.missing += call.missedFrames;
      run.recorded.resize(run.recorded.size() + call.missedFrames);
    } else if (call.tag == recording::CallTag::Elapse) {
      run.recorded.push_back(frameText(call));
    }
  }
  // Writes failing at Dispose may leave the file cut short, as the reader says.
  if (reader.cutShort()) run.recorded.resize(kFrames);
  return run;
}

std::vector<std::string> rowsOf(const std::string& log) {
  std::vector<std::string> rows;
  for (std::size_t at = 0; at < log.size();) {
    const std::size_t end = log.find("\r\n", at);
    rows.push_back(log.substr(at, end - at));
    at = end == std::string::npos ? log.size() : end + 2;
  }
  return rows;
}

TEST(AllocationFailure, ARecordedChainedRunLosesNoCallAndSaysWhatItDidNotRecord) {
#ifdef _WIN32
  GTEST_SKIP() << "the DLL has an allocator of its own, which the test program cannot reach";
#endif
  const DrivenRun clean = drive(0, {});
  ASSERT_EQ(clean.recorded.size(), static_cast<std::size_t>(kFrames));
  ASSERT_EQ(clean.missing, 0u);
  const std::vector<std::string> cleanRows = rowsOf(clean.log);
  const std::unordered_set<std::string> cleanRowSet(cleanRows.begin(), cleanRows.end());
  std::size_t n = 1;
  for (bool failed = true; failed; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n));
    const DrivenRun run = drive(n, {0, 4, 2});
    failed = run.failed;
    // A Load that found no memory may run unchained, as the status file
    // says; chained, every frame is the plug-in's decision as in the clean
    // run, and every row is one of the clean run's.
    if (!run.chained) continue;
    for (int i = 0; i < kFrames; ++i) {
      ASSERT_EQ(std::memcmp(&run.back[i], &clean.back[i], sizeof(HandleRecord)), 0) << i;
    }
    for (const std::string& row : rowsOf(run.log)) {
      ASSERT_TRUE(cleanRowSet.contains(row)) << row;
    }
    if (!run.recorded.empty()) {
      ASSERT_EQ(run.recorded.size(), clean.recorded.size());
      for (std::size_t f = 0; f < run.recorded.size(); ++f) {
        ASSERT_TRUE(run.recorded[f].empty() || run.recorded[f] == clean.recorded[f])
            << "frame " << f + 1 << ": " << run.recorded[f] << " / " << clean.recorded[f];
      }
    }
  }
  EXPECT_GT(n, 40u);
}

// A recording's write that finds no memory (here to make its file again) is
// tried again when next due: the frame it follows still goes back as the
// chained plug-in decided.
TEST(AllocationFailure, ARecordingWriteWithoutMemoryCostsNoFrameItsDecision) {
#ifdef _WIN32
  GTEST_SKIP() << "the DLL has an allocator of its own, which the test program cannot reach";
#endif
  platform::MemoryFiles files;
  platform::useMemoryFiles(&files);
  struct Restore {
    ~Restore() {
      platform::useSteadyClock(nullptr);
      platform::useMemoryFiles(nullptr);
    }
  } restore;
  static std::chrono::steady_clock::time_point now;
  platform::useSteadyClock([] { return now += std::chrono::seconds(2); });
  const std::string sample = fs::absolute(CABLOG_SAMPLE_TRAIN_PLUGIN).string();
  files.byPath["/m/cablog.ini"] = "[Log]\nRecord=1\nFlush=1\n[Chain]\nModule=" + sample + "\n";
  files.byPath["/m/cablog.csv"] = "TIME,T\n";
  {
    Plugin plugin;
    plugin.load("/m/cablog.dll");
    ASSERT_TRUE(plugin.chain.active() && plugin.recorder.active());
    plugin.setBrake(3);
    files.byPath.erase(recordingPathFor(plugin.logger.logPath));
    std::int32_t panel[256] = {};
    std::int32_t sound[256] = {};
    // Memory runs out once the recording has begun again, before its file is.
    for (int frame = 1; frame <= 16; ++frame) {
      if (frame > 8) testing::failAllocation(1, true);
      std::optional<HandleRecord> back;
      try {
        back = plugin.elapse({}, panel, sound);
      } catch (const std::bad_alloc&) {
      }
      testing::failAllocation(0);
      ASSERT_TRUE(back) << "frame " << frame << " handed the host nothing";
      EXPECT_EQ(back->brake, 3) << "frame " << frame;
    }
    plugin.dispose();
  }
}

}  // namespace
}  // namespace cablog
