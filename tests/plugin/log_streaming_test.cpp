// A log streamed to its file as it grows: the same calls give the same file
// as a log written whole at Dispose, whatever the file system does meanwhile
// (an open or a write refused, a write cut short, the file deleted), while
// memory holds only what is still to be written.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "logging/log_stream.h"
#include "tests/support/test_seams.h"
#include "plugin/plugin.h"
#include "tests/support/held_text.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

namespace fs = std::filesystem;

// Every value twice, for long rows (some 150 bytes).
constexpr const char* kColumns =
    "time_hhmmss,Clock\nlocation,Location\nspeed,Speed\nacceleration,Accel\nbc,BC\nmr,MR\n"
    "er,ER\nbp,BP\nsap,SAP\ncurrent,Current\npower,Power\nbrake,Brake\nsignal,Signal\n"
    "pilotlamp,Doors\nbeacon_distance,Beacon\ntime,Time\nlocation,Location\nspeed,Speed\n"
    "acceleration,Accel\nbc,BC\nmr,MR\ncurrent,Current\n";

VehicleState frameAt(int i) {
  VehicleState state{};
  state.location = 1250.0 + i * 0.377;
  state.speed = static_cast<float>(i % 1200) * 0.0731f;
  state.time = 36'000'000 + i * 16;
  state.bc = static_cast<float>(i % 450) * 1.25f;
  state.mr = 780.0f + static_cast<float>(i % 100);
  state.bp = 490.5f;
  state.current = static_cast<float>(i % 700) - 200.0f;
  return state;
}

// The same module twice, in folders of their own: one writing its log at
// Dispose, one streaming it. Every call goes to both.
class TwoModes : public ::testing::Test {
 protected:
  void SetUp() override {
    plainFolder_.write("Logger.csv", kColumns);
    plainFolder_.write("Logger.ini", "[Frame]\nSkip=1\n");
    streamedFolder_.write("Logger.csv", kColumns);
    streamedFolder_.write("Logger.ini", "[Frame]\nSkip=1\n[Log]\nFlush=1\n");
  }
  void TearDown() override { platform::injectFileFaults({}); }

  void both(const std::function<void(Plugin&)>& call) {
    call(plain_);
    call(streamed_);
  }
  // The faults are meant for the streamed log only.
  void load(const platform::FileFaults& streamedFaults = {}) {
    plain_.load(plainFolder_.file("Logger.dll"));
    platform::injectFileFaults(streamedFaults);
    streamed_.load(streamedFolder_.file("Logger.dll"));
  }
  void frames(int from, int to) {
    both([&](Plugin& p) {
      for (int i = from; i < to; ++i) {
        if (i % 500 == 0) p.setPower(i / 500 % 5);
        if (i % 700 == 0) p.setBeaconData({1, 2, static_cast<float>(i) * 0.5f, 0});
        ASSERT_EQ(p.elapse(frameAt(i)).power, (i / 500) % 5);
      }
    });
  }
  std::string streamedFile() const {
    const fs::path path = streamed_.logger.logPath;
    return fs::is_regular_file(path) ? testing::readBytes(path) : "<no log>";
  }
  std::string plainFile() const { return testing::readBytes(plain_.logger.logPath); }
  std::string wholeLog() const { return testing::heldText(plain_.logger.logBuffer); }
  // The labels of kColumns, as the log's first row.
  static std::string header() {
    std::string row;
    for (std::string_view rest = kColumns; !rest.empty(); rest.remove_prefix(rest.find('\n') + 1)) {
      const std::string_view line = rest.substr(0, rest.find('\n'));
      row += std::string(line.substr(line.find(',') + 1)) + ",";
    }
    return row + "\r\n";
  }

  testing::TempDir cwd_{"cablog-cwd"};
  testing::CurrentDirectory inside_{cwd_.path()};
  testing::TempDir plainFolder_{"cablog-plain"};
  testing::TempDir streamedFolder_{"cablog-streamed"};
  Plugin plain_;
  Plugin streamed_;
};

TEST_F(TwoModes, TheStreamedFileGrowsByWholeRowsAndEndsAsTheWholeLog) {
  load();
  EXPECT_EQ(plainFile(), wholeLog());  // the header, at once
  EXPECT_EQ(streamedFile(), wholeLog());

  // Enough rows to pass the threshold many times and to
  // fill several blocks of the log buffer.
  for (int i = 0; i < 24'000; i += 3000) {
    frames(i, i + 3000);
    const std::string onDisk = streamedFile();
    const std::string whole = wholeLog();
    ASSERT_TRUE(whole.starts_with(onDisk)) << "after frame " << i + 3000;
    ASSERT_TRUE(onDisk.ends_with("\r\n"));
    EXPECT_LE(whole.size() - onDisk.size(), kFlushThreshold + 200);
    EXPECT_LE(testing::heldText(streamed_.logger.logBuffer).size(), 2 * LogBuffer::kBlockSize);
  }
  EXPECT_GT(wholeLog().size(), 2 * LogBuffer::kBlockSize);

  both([](Plugin& p) { p.dispose(); });
  EXPECT_TRUE(streamedFile() == plainFile());

  // A second Dispose leaves the finished file as it is...
  const auto written = fs::last_write_time(streamed_.logger.logPath);
  streamed_.dispose();
  EXPECT_EQ(fs::last_write_time(streamed_.logger.logPath), written);
  // ...and frames the host still sends after it reach the file at the next.
  frames(24'000, 24'100);
  both([](Plugin& p) { p.dispose(); });
  EXPECT_TRUE(streamedFile() == plainFile());
}

// Each fault, injected at one moment of the run, and how many Dispose calls
// it takes until the file is whole (each makes one more attempt when its
// first fails). Until then the file holds a prefix of the log and nothing is
// lost.
TEST_F(TwoModes, RefusedOpensAndWritesLoseNothing) {
  enum class When { BeforeLoad, AfterLoad, BeforeDispose };
  const struct {
    const char* name;
    When when;
    platform::FileFaults faults;
    int disposes;
  } cases[] = {
      // Load opens twice: to claim the name, and again to write the header.
      {"open refused at Load", When::BeforeLoad, {2, 0, 0}, 1},
      {"open refused at Load and at Dispose", When::BeforeLoad, {3, 0, 0}, 1},
      {"open refused at Load and twice at Dispose", When::BeforeLoad, {4, 0, 0}, 2},
      {"write refused during the run", When::AfterLoad, {0, 1, 0}, 1},
      {"write cut short during the run", When::AfterLoad, {0, 0, 1}, 1},
      {"writes refused and cut short", When::AfterLoad, {0, 1, 1}, 1},
      {"write refused at Dispose", When::BeforeDispose, {0, 1, 0}, 1},
      {"write cut short at Dispose", When::BeforeDispose, {0, 0, 1}, 1},
      {"writes refused twice at Dispose", When::BeforeDispose, {0, 2, 0}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    load(c.when == When::BeforeLoad ? c.faults : platform::FileFaults{});
    if (c.when == When::AfterLoad) platform::injectFileFaults(c.faults);
    frames(0, 3000);
    if (c.when != When::BeforeDispose) {
      // A failed write is retried by the clock only, not on every frame.
      const std::string onDisk = streamedFile();
      EXPECT_TRUE(onDisk == "<no log>" || wholeLog().starts_with(onDisk));
      EXPECT_TRUE(streamed_.logger.stream.failing);
    }
    // The faults are meant for the streamed log only.
    const platform::FileFaults left = platform::injectFileFaults({});
    const std::string whole = wholeLog();
    plain_.dispose();
    platform::injectFileFaults(c.when == When::BeforeDispose ? c.faults : left);
    streamed_.dispose();
    for (int i = 1; i < c.disposes; ++i) {
      EXPECT_FALSE(streamedFile() == plainFile());
      const std::string onDisk = streamedFile();
      EXPECT_TRUE(onDisk == "<no log>" || whole.starts_with(onDisk));
      streamed_.dispose();
    }
    EXPECT_TRUE(streamedFile() == plainFile());
    platform::injectFileFaults({});
    fs::remove(streamed_.logger.logPath);
    fs::remove(plain_.logger.logPath);
  }
}

TEST_F(TwoModes, AFileDeletedDuringTheRunIsMadeAgainForWhatIsLeft) {
  streamedFolder_.write("Logger.ini", "[Frame]\nSkip=1\n[Log]\nFlush=3600\n");
  load();
  frames(0, 2000);  // past the threshold: some rows reach the file
  const std::size_t reached = streamed_.logger.logBuffer.written();
  ASSERT_GT(reached, header().size());
  // Windows keeps the name until the last handle closes, the file marked.
  fs::remove(streamed_.logger.logPath);
  frames(2000, 2100);
  both([](Plugin& p) { p.dispose(); });
  // The rows that had reached the deleted file went with it; the rest come
  // under the header.
  EXPECT_TRUE(streamedFile() == header() + plainFile().substr(reached));
}

TEST_F(TwoModes, AFolderRemovedDuringTheRunGetsTheRestOnceItIsBack) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps a folder with an open file in it";
#else
  const fs::path folder = streamedFolder_.path() / "plugins";
  fs::create_directory(folder);
  fs::copy_file(streamedFolder_.path() / "Logger.csv", folder / "Logger.csv");
  fs::copy_file(streamedFolder_.path() / "Logger.ini", folder / "Logger.ini");
  streamed_.load((folder / "Logger.dll").string());
  fs::remove_all(folder);
  streamed_.elapse(frameAt(1));
  streamed_.elapse(frameAt(2));
  streamed_.dispose();
  EXPECT_FALSE(fs::exists(folder));
  std::string waiting;
  streamed_.logger.logBuffer.forEachPendingChunk(
      [&](std::span<const char> chunk) { waiting.append(chunk.data(), chunk.size()); });
  EXPECT_TRUE(waiting.ends_with("\r\n"));

  fs::create_directory(folder);
  streamed_.dispose();
  EXPECT_EQ(streamedFile(), header() + waiting);
#endif
}

TEST_F(TwoModes, ASecondLoadFinishesTheStreamedLogFirst) {
  streamedFolder_.write("Logger.csv", "speed,Speed\n");
  streamedFolder_.write("Logger.ini", "[Frame]\nSkip=1\n[Log]\nFlush=3600\n");
  streamed_.load(streamedFolder_.file("Logger.dll"));
  const std::string firstLog = streamed_.logger.logPath;
  for (int i = 1; i <= 3; ++i) streamed_.elapse({0.0, static_cast<float>(i), i, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(testing::readBytes(firstLog), "Speed,\r\n");

  plainFolder_.write("Logger.csv", "bc,BC\n");
  streamed_.load(plainFolder_.file("Logger.dll"));
  EXPECT_EQ(testing::readBytes(firstLog), "Speed,\r\n1,\r\n2,\r\n3,\r\n");
  EXPECT_EQ(streamed_.logger.stream.flushSeconds, 0);
  EXPECT_EQ(testing::heldText(streamed_.logger.logBuffer), "BC,\r\n");
}

TEST(FlushSetting, ComesFromBothFilesAndIsKeptInRange) {
  testing::TempDir cwd{"cablog-cwd"};
  testing::CurrentDirectory inside{cwd.path()};
  testing::TempDir module{"cablog.dll"};
  const struct {
    const char* ats;
    const char* own;
    std::int32_t seconds;
  } cases[] = {
      {nullptr, nullptr, 0},
      {nullptr, "[Log]\nFlush=1\n", 1},
      {"[Log]\nFlush=5\n", nullptr, 5},
      {"[Log]\nFlush=5\n", "[Log]\nFlush=0\n", 0},
      {"[Log]\nFlush=5\n", "[Frame]\nFlush=1\n", 5},
      {nullptr, "[log]\nflush = 2\n", 2},
      {nullptr, "[Log]\nFlush=-4\n", 0},
      {nullptr, "[Log]\nFlush=3600\n", 3600},
      {nullptr, "[Log]\nFlush=3601\n", 3600},
      {nullptr, "[Log]\nFlush=2147483647\n", 3600},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.ats ? c.ats : "-") + " / " + (c.own ? c.own : "-"));
    fs::remove(cwd.path() / "Ats.ini");
    fs::remove(module.path() / "Logger.ini");
    if (c.ats) cwd.write("Ats.ini", c.ats);
    if (c.own) module.write("Logger.ini", c.own);
    Plugin plugin;
    plugin.load(module.file("Logger.dll"));
    EXPECT_EQ(plugin.logger.stream.flushSeconds, c.seconds);
    EXPECT_TRUE(fs::exists(plugin.logger.logPath));
    fs::remove(plugin.logger.logPath);
  }
}

TEST(FlushPolicy, WritesByTheClockOrByTheAmountWaiting) {
  using std::chrono::milliseconds;
  const struct {
    std::size_t pending;
    milliseconds since;
    std::int32_t seconds;
    bool failing;
    bool due;
  } cases[] = {
      {100, milliseconds(999), 1, false, false},
      {100, milliseconds(1000), 1, false, true},
      {0, milliseconds(5000), 1, false, false},  // nothing to write
      {kFlushThreshold, milliseconds(0), 1, false, false},
      {kFlushThreshold + 1, milliseconds(0), 1, false, true},
      {kFlushThreshold + 1, milliseconds(0), 1, true, false},  // failing: the clock decides
      {kFlushThreshold + 1, milliseconds(1000), 1, true, true},
      {100, milliseconds(59'999), 60, false, false},
      {kFlushThreshold * 100, milliseconds(100'000), 0, false, false},  // off
  };
  for (const auto& c : cases) {
    EXPECT_EQ(flushDue(c.pending, c.since, c.seconds, c.failing), c.due)
        << c.pending << " bytes, " << c.since.count() << " ms, Flush=" << c.seconds
        << (c.failing ? ", failing" : "");
  }
}

FlushClock::time_point fakeNow;

// Frames 250 ms apart on a clock of the test's own, with Flush=1: the file
// grows when an interval has passed or enough is waiting, and after a
// refused write only when the next interval has passed. Nothing is lost.
TEST(FlushTiming, WritesByTheClockAndARefusedWriteWaitsForTheNextInterval) {
  testing::TempDir cwd{"cablog-cwd"};
  testing::CurrentDirectory inside{cwd.path()};
  testing::TempDir module{"cablog-flush"};
  module.write("Logger.ini", "[Frame]\nSkip=1\n[Log]\nFlush=1\n");
  const struct {
    int columns;                  // one TIME each: 6000 make a row of 24 to 30 KB
    platform::FileFaults faults;  // met at frame 4, one second in
    std::vector<int> grew;        // the frames after which the file was longer
  } cases[] = {
      {1, {}, {4, 8, 12}},
      {1, {0, 1, 0}, {8, 12}},
      {6000, {}, {2, 4, 6, 8, 10, 12}},
      {6000, {0, 1, 0}, {2, 8, 10, 12}},
  };
  platform::useSteadyClock([] { return fakeNow; });
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.columns << " columns, " << c.faults.failingWrites << " refused");
    std::string columns;
    std::string whole;
    for (int i = 0; i < c.columns; ++i) columns += "time,T\n";
    for (int i = 0; i < c.columns; ++i) whole += "T,";
    module.write("Logger.csv", columns);
    Plugin plugin;
    plugin.load(module.file("Logger.dll"));
    const fs::path log = plugin.logger.logPath;
    std::vector<int> grew;
    for (int frame = 1; frame <= 12; ++frame) {
      const auto before = fs::file_size(log);
      fakeNow += std::chrono::milliseconds(250);
      if (frame == 4) platform::injectFileFaults(c.faults);
      plugin.elapse({0.0, 0.0f, frame * 250, 0, 0, 0, 0, 0, 0});
      platform::injectFileFaults({});
      if (fs::file_size(log) != before) grew.push_back(frame);
      whole += "\r\n";
      for (int i = 0; i < c.columns; ++i) whole += std::to_string(frame * 250) + ",";
    }
    EXPECT_EQ(grew, c.grew);
    plugin.dispose();
    EXPECT_TRUE(testing::readBytes(log) == whole + "\r\n");
    fs::remove(log);
  }
  platform::useSteadyClock(nullptr);
}

// A module whose folder is unknown writes no log anywhere, streamed or not,
// chains nothing and writes no chain status, and otherwise works; a streamed
// log then keeps nothing in memory.
TEST(UnknownModuleFolder, WritesNoLogAndKeepsWorking) {
  testing::TempDir cwd{"cablog-cwd"};
  testing::CurrentDirectory inside{cwd.path()};
  std::string columns;  // rows of a kilobyte, for many blocks of them
  for (int i = 0; i < 200; ++i) columns += "speed,Speed\n";
  cwd.write("Logger.csv", columns);
  cwd.write("Logger.ini", "[Chain]\nModule=Logger.dll\n");
  for (const char* flush : {"[Log]\nFlush=0\n", "[Log]\nFlush=1\n"}) {
    cwd.write("Ats.ini", std::string("[Frame]\nSkip=1\n") + flush);
    for (const char* modulePath : {"", "Logger.dll", "plugins/Logger.dll"}) {
      SCOPED_TRACE(std::string(flush) + " module '" + modulePath + "'");
      Plugin plugin;
      plugin.load(modulePath);
      EXPECT_EQ(plugin.logger.logPath, "");
      EXPECT_FALSE(plugin.chain.active());
      plugin.setPower(2);
      for (int i = 0; i < 20'000; ++i) ASSERT_EQ(plugin.elapse(frameAt(i)).power, 2);
      plugin.dispose();
      plugin.dispose();
      for (const auto& entry : fs::directory_iterator(cwd.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.starts_with("Log_") || name.ends_with(".chain.txt")) << name;
      }
      if (plugin.logger.stream.flushSeconds > 0) {
        EXPECT_LE(testing::heldText(plugin.logger.logBuffer).size(), 2 * LogBuffer::kBlockSize);
      }
    }
  }
}

}  // namespace
}  // namespace cablog
