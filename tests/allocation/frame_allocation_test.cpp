// Once the first rows are written, a frame must not allocate: the host's
// frame budget has no room for the allocator's slow paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "logging/log_buffer.h"
#include "plugin/plugin.h"
#include "tests/allocation/counting_allocator.h"
#include "tests/support/held_text.h"
#include "tests/support/module_under_test.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

constexpr const char* kAllColumns =
    "location,Location\nspeed,Speed\ntime,Time\ntime_hhmmss,Clock\nacceleration,Accel\n"
    "bc,BC\nmr,MR\ner,ER\nbp,BP\nsap,SAP\ncurrent,Current\npower,P\nbrake,B\n"
    "reverser,R\nsignal,S\npilotlamp,Doors\nbeacon_type,BT\nbeacon_signal,BS\n"
    "beacon_distance,BD\nbeacon_optional,BO\n"
    "plugin_brake,PB\nplugin_power,PP\nplugin_reverser,PR\nplugin_constant_speed,PC\n"
    "panel_12,Panel\nsound_0,Sound\nsound_255,Last\nevents,Events\nkey_0,Key\nhorn,Horn\n"
    // A key nothing writes is looked up by name, never inserted.
    "odometer,Odometer\n";

// Frames whose texts are the longest each key can hold.
VehicleState frame(std::uint64_t i) {
  VehicleState state{};
  switch (i % 4) {
    case 0:
      state = {-1.2345678e-300,
               -3.4e38f,
               std::numeric_limits<std::int32_t>::min(),
               -1.17e-38f,
               1e-45f,
               -3.3e38f,
               0.0f,
               7.5f,
               -123456.7f};
      break;
    case 1:
      state = {std::numeric_limits<double>::max(),
               88.5f,
               std::numeric_limits<std::int32_t>::max(),
               490.0f,
               780.25f,
               490.0f,
               489.5f,
               120.0f,
               -350.0f};
      break;
    default:
      state.location = 1250.0 + static_cast<double>(i) * 0.37;
      state.speed = static_cast<float>(i % 120);
      state.time = static_cast<std::int32_t>(36000000 + i * 16);
      state.bc = static_cast<float>(i % 450) * 1.25f;
  }
  return state;
}

void moveEverything(Plugin& plugin, std::int32_t i) {
  plugin.setPower(i % 5);
  plugin.setBrake(-2147483647 - (i & 1));
  plugin.setReverser(i % 3 - 1);
  plugin.setSignal(i);
  plugin.setBeaconData({std::numeric_limits<std::int32_t>::min(), i, -1.23457e-38f, i});
  (i & 1) ? plugin.doorOpen() : plugin.doorClose();
}

// Taken before any test moves the current directory.
const std::string kSamplePath =
    testing::systemPath(std::filesystem::absolute(CABLOG_SAMPLE_TRAIN_PLUGIN));

struct Interval {
  int frames;
  bool chained;         // to the sample train plug-in
  bool events = false;  // Events=1
};

class FrameAllocation : public ::testing::TestWithParam<Interval> {
 protected:
  void SetUp() override {
    module_.write("cablog.csv", kAllColumns);
    const std::string chain = GetParam().chained ? "[Chain]\nModule=" + kSamplePath + "\n" : "";
    const std::string events = GetParam().events ? "[Log]\nEvents=1\n" : "";
    module_.write("cablog.ini",
                  "[Frame]\nSkip=" + std::to_string(GetParam().frames) + "\n" + chain + events);
    plugin_.load(module_.file("cablog.dll"));
    EXPECT_EQ(plugin_.chain.active(), GetParam().chained);
    // The first rows and setter calls may size what they keep.
    for (std::int32_t i = 0; i < 8; ++i) {
      moveEverything(plugin_, i);
      for (int f = 0; f < GetParam().frames; ++f) elapse(frame(static_cast<unsigned>(i)));
    }
  }
  void TearDown() override { plugin_.dispose(); }

  void elapse(const VehicleState& state) { plugin_.elapse(state, panel_, sound_); }

  std::int32_t panel_[256] = {};
  std::int32_t sound_[256] = {};

  testing::TempDir cwd_{"cablog-cwd"};
  testing::CurrentDirectory inside_{cwd_.path()};
  testing::TempDir module_{"cablog-module"};
  Plugin plugin_;
};

TEST_P(FrameAllocation, FramesWithinTheCurrentLogBlockAllocateNothing) {
  const std::size_t logged = plugin_.logger.logBuffer.size();
  const std::size_t block = logged / LogBuffer::kBlockSize;
  const std::size_t before = testing::allocationCount();
  for (std::uint64_t i = 0; i < 3000; ++i) {
    if (i % 50 == 0) moveEverything(plugin_, static_cast<std::int32_t>(i));
    elapse(frame(i));
  }
  EXPECT_EQ(testing::allocationCount() - before, 0u);
  // Else the test measured a block change, not the frame path.
  ASSERT_EQ(plugin_.logger.logBuffer.size() / LogBuffer::kBlockSize, block);
  // Else the frames made no rows.
  EXPECT_GT(plugin_.logger.logBuffer.size(), logged);
}

INSTANTIATE_TEST_SUITE_P(Intervals, FrameAllocation,
                         ::testing::Values(Interval{1, false}, Interval{7, false},
                                           Interval{60, false}, Interval{1, true},
                                           Interval{60, true}, Interval{60, false, true},
                                           Interval{60, true, true}));

TEST(LogGrowth, AllocatesLittleMoreThanItsBlocks) {
  testing::TempDir cwd{"cablog-cwd"};
  testing::CurrentDirectory inside{cwd.path()};
  testing::TempDir module{"cablog-module"};
  module.write("cablog.csv", kAllColumns);
  module.write("cablog.ini", "[Frame]\nSkip=1\n");
  Plugin plugin;
  plugin.load(module.file("cablog.dll"));
  moveEverything(plugin, 1);
  plugin.elapse(frame(0));

  const std::size_t blocksBefore = plugin.logger.logBuffer.size() / LogBuffer::kBlockSize;
  const std::size_t before = testing::allocationCount();
  std::uint64_t i = 0;
  while (plugin.logger.logBuffer.size() < 8 * LogBuffer::kBlockSize) plugin.elapse(frame(i++));
  const std::size_t blocks = plugin.logger.logBuffer.size() / LogBuffer::kBlockSize - blocksBefore;
  const std::size_t allocations = testing::allocationCount() - before;
  // One allocation per block, plus the block list's own growth now and then.
  EXPECT_GE(allocations, blocks);
  EXPECT_LE(allocations, blocks + 4);
}

// A writer that caught up after a stall leaves a block aside, which the
// log's growth fills before it asks for another.
TEST(LogGrowth, ReusesABlockOnceWritten) {
  LogBuffer log;
  log.appendText(std::string(3 * LogBuffer::kBlockSize, 's'));
  log.markWritten(log.pending());
  const std::string more(LogBuffer::kBlockSize + 1, 'x');
  const std::size_t before = testing::allocationCount();
  log.appendText(more);
  EXPECT_EQ(testing::allocationCount() - before, 0u);
}

// A streamed log writes as it goes and reuses its block: past the first
// rows, neither the frames nor their writes allocate, however long the run.
TEST(StreamedLog, FramesAndTheirWritesAllocateNothing) {
  testing::TempDir cwd{"cablog-cwd"};
  testing::CurrentDirectory inside{cwd.path()};
  testing::TempDir module{"cablog-module"};
  module.write("cablog.csv", kAllColumns);
  module.write("cablog.ini", "[Frame]\nSkip=1\n[Log]\nFlush=1\n");
  Plugin plugin;
  plugin.load(module.file("cablog.dll"));
  for (std::uint64_t i = 0; i < 2000; ++i) plugin.elapse(frame(i));
  const std::size_t writtenBefore = plugin.logger.logBuffer.written();

  const std::size_t before = testing::allocationCount();
  for (std::uint64_t i = 0; i < 30'000; ++i) {
    if (i % 50 == 0) moveEverything(plugin, static_cast<std::int32_t>(i));
    plugin.elapse(frame(i));
  }
  EXPECT_EQ(testing::allocationCount() - before, 0u);
  // Else the test measured no writes, or no more than one block of rows.
  EXPECT_GT(plugin.logger.logBuffer.written() - writtenBefore, 2 * LogBuffer::kBlockSize);
  EXPECT_LE(testing::heldText(plugin.logger.logBuffer).size(), 2 * LogBuffer::kBlockSize);
}

TEST(CountingAllocator, SeesTheAllocationsItMustCatch) {
  const std::size_t before = testing::allocationCount();
  std::string longText(100, 'x');
  EXPECT_EQ(testing::allocationCount() - before, 1u);
}

}  // namespace
}  // namespace cablog
