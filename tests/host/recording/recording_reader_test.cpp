// cablog's recorder and the stand-in's reader together: what the plug-in is
// handed and hands back comes out of the file bit for bit; a file cut at any
// byte yields exactly the whole calls before the cut; damage is refused at
// its byte with what was expected there.
#include "recording_reader.h"
#include "show.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <tuple>
#include <vector>

#include "logging/log_file.h"
#include "plugin/plugin.h"
#include "tests/support/module_under_test.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_seams.h"

namespace host {
namespace {

namespace fs = std::filesystem;
using Array = std::array<std::int32_t, 256>;

struct Call {
  CallTag tag;
  std::string bytes;  // the arguments as the plug-in got them
  Array panelIn{}, soundIn{}, panelOut{}, soundOut{};
  cablog::HandleRecord back{};
  bool faulted = false;
};

template <typename T>
std::string bitsOf(const T& value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// A chained run with arguments at the edges, made through the plug-in
// itself; returns the recording and the calls as they were made. The
// chained sample fails on its third frame and in HornBlow.
const fs::path kSample = fs::absolute(CABLOG_SAMPLE_THROWS);
std::string record(std::vector<Call>& calls) {
  const cablog::testing::TempDir folder("cablog-recording");
  folder.write("cablog.ini", "[Log]\nRecord=1\n[Chain]\nModule=" + kSample.string() + "\n");
  cablog::Plugin plugin;
  plugin.load(cablog::testing::systemPath(folder.path() / "cablog.dll"));
  const auto add = [&](CallTag tag, std::string bytes, auto call) {
    call();
    calls.push_back({tag, std::move(bytes)});
  };
  calls.push_back({CallTag::Load, ""});
  Array panel{}, sound{};
  panel[3] = 7;
  panel[9] = 8;
  const auto elapse = [&](const cablog::VehicleState& state) {
    Call call{CallTag::Elapse, bitsOf(state), panel, sound};
    const std::uint64_t faults = plugin.chain.faults();
    call.back = plugin.elapse(state, panel.data(), sound.data());
    call.faulted = plugin.chain.faults() > faults;
    call.panelOut = panel;
    call.soundOut = sound;
    calls.push_back(call);
  };
  // Before any handle is set: the first frame hands back zeros.
  elapse({});
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const cablog::VehicleSpec vehicle{8, 5, 4, kMin, -1};
  const cablog::BeaconData beacon{1, -2, -0.0f, 3};
  add(CallTag::GetPluginVersion, "", [&] { plugin.pluginVersion(); });
  add(CallTag::SetVehicleSpec, bitsOf(vehicle), [&] { plugin.setVehicleSpec(vehicle); });
  using P = cablog::Plugin;
  for (const auto& [tag, value, method] : {std::tuple{CallTag::Initialize, 2, &P::initialize},
                                           {CallTag::SetPower, 5, &P::setPower},
                                           {CallTag::SetBrake, kMax, &P::setBrake},
                                           {CallTag::SetReverser, -1, &P::setReverser},
                                           {CallTag::SetSignal, 4, &P::setSignal},
                                           {CallTag::KeyDown, kMin, &P::keyDown},
                                           {CallTag::KeyUp, 8, &P::keyUp},
                                           {CallTag::HornBlow, 9, &P::hornBlow}}) {
    add(tag, bitsOf(value), [&, method = method, value = value] { (plugin.*method)(value); });
  }
  add(CallTag::DoorOpen, "", [&] { plugin.doorOpen(); });
  add(CallTag::DoorClose, "", [&] { plugin.doorClose(); });
  add(CallTag::SetBeaconData, bitsOf(beacon), [&] { plugin.setBeaconData(beacon); });

  float nan = std::numeric_limits<float>::quiet_NaN();
  const std::uint32_t payload = 0x7fc01234;
  std::memcpy(&nan, &payload, sizeof nan);
  const float speeds[] = {0.0f, 50.0f, 50.0f, nan, 40.0f, -std::numeric_limits<float>::infinity()};
  for (int frame = 0; frame < 6; ++frame) {
    // The host changes entries of its own between frames.
    sound[200] = frame % 2;
    elapse(
        {1e300 * frame, speeds[frame], frame * 16, -0.0f, nan, 1.5f, float(frame), 0.0f, 1e-45f});
  }
  plugin.dispose();
  calls.push_back({CallTag::Dispose, ""});
  return cablog::testing::readBytes(fs::path(cablog::recordingPathFor(plugin.logger.logPath)));
}

std::vector<Call> recorded;
const std::string kRecording = record(recorded);

// Every whole call the reader finds, and where each record ends.
std::vector<RecordedCall> readAll(const std::string& bytes, std::vector<std::uint64_t>* ends,
                                  bool* cutShort = nullptr) {
  std::istringstream in(bytes);
  RecordingReader reader(in);
  std::vector<RecordedCall> calls;
  RecordedCall call;
  while (reader.next(call)) {
    calls.push_back(call);
    if (ends != nullptr) ends->push_back(reader.offset());
  }
  if (cutShort != nullptr) *cutShort = reader.cutShort();
  return calls;
}

TEST(Recording, HoldsEveryCallWithTheExactBitsBothWays) {
  std::istringstream in(kRecording);
  RecordingReader reader(in);
  EXPECT_EQ(reader.header().moduleName, kSample.filename().string());
  EXPECT_EQ(reader.header().moduleSize, fs::file_size(kSample));
  EXPECT_EQ(
      std::count_if(recorded.begin(), recorded.end(), [](const Call& c) { return c.faulted; }), 1);
  RecordedCall got;
  for (const Call& want : recorded) {
    ASSERT_TRUE(reader.next(got));
    ASSERT_EQ(got.tag, want.tag);
    if (want.tag == CallTag::Elapse) {
      EXPECT_EQ(bitsOf(got.state), want.bytes);
      EXPECT_EQ(bitsOf(got.back), bitsOf(want.back));
      EXPECT_EQ(got.faulted, want.faulted);
      EXPECT_EQ(*got.panelIn, want.panelIn);
      EXPECT_EQ(*got.soundIn, want.soundIn);
      EXPECT_EQ(*got.panelOut, want.panelOut);
      EXPECT_EQ(*got.soundOut, want.soundOut);
    } else if (want.tag == CallTag::SetVehicleSpec) {
      EXPECT_EQ(bitsOf(got.vehicle), want.bytes);
    } else if (want.tag == CallTag::SetBeaconData) {
      EXPECT_EQ(bitsOf(got.beacon), want.bytes);
    } else if (!want.bytes.empty()) {
      EXPECT_EQ(bitsOf(got.value), want.bytes);
    }
  }
  EXPECT_FALSE(reader.next(got));
  EXPECT_FALSE(reader.cutShort());
}

TEST(Recording, CutAtAnyByteYieldsTheWholeCallsBeforeTheCut) {
  std::vector<std::uint64_t> ends;
  const std::vector<RecordedCall> whole = readAll(kRecording, &ends);
  ASSERT_EQ(whole.size(), recorded.size());
  const std::uint64_t headerEnd = whole.front().offset;
  for (std::size_t cut = 0; cut < kRecording.size(); ++cut) {
    const std::string part = kRecording.substr(0, cut);
    if (cut < headerEnd) {
      EXPECT_THROW(readAll(part, nullptr), RecordingError) << cut;
      continue;
    }
    bool cutShort = false;
    const std::size_t calls = readAll(part, nullptr, &cutShort).size();
    const auto before = static_cast<std::size_t>(
        std::upper_bound(ends.begin(), ends.end(), std::uint64_t{cut}) - ends.begin());
    ASSERT_EQ(calls, before) << "cut at " << cut;
    EXPECT_EQ(cutShort, cut != headerEnd && !std::binary_search(ends.begin(), ends.end(), cut))
        << cut;
  }
}

TEST(Recording, DamageIsRefusedAtItsByte) {
  const std::vector<RecordedCall> whole = readAll(kRecording, nullptr);
  const std::size_t firstCall = whole.front().offset;
  std::size_t elapse = 0;
  while (whole[elapse].tag != CallTag::Elapse) ++elapse;
  const std::size_t frame = whole[elapse].offset;
  // The first frame's panel list: two entries, indices 3 and 9.
  const std::size_t panelList = frame + 2 + 40;
  const struct {
    std::size_t at;
    std::string bytes;
    std::string message;
  } kDamage[] = {
      {0, "X", "byte 0: expected \"CABLOGRC\""},
      {8, std::string("\2", 1), "byte 8: expected format version 1, found version 2"},
      {12, "\xff\xff", "byte 12: expected the length of cablog's version, at most 4096"},
      {firstCall, std::string("\0", 1), "expected a call tag from 1 to 17, found 0x00"},
      {frame + 1, "\x10", "Elapse flags from 0 to 15, found 0x10"},
      {frame + 1, "\x07", "the first Elapse to hold its handle record, found none"},
      {panelList, "\x2c\x01", "a count of panel changes, at most 256, found 300"},
      {panelList + 2 + 5, "\x03", "expected a panel index above 3, found 3"},
  };
  for (const auto& damage : kDamage) {
    std::string bytes = kRecording;
    bytes.replace(damage.at, damage.bytes.size(), damage.bytes);
    try {
      readAll(bytes, nullptr);
      ADD_FAILURE() << "no error for " << damage.message;
    } catch (const RecordingError& error) {
      EXPECT_NE(std::string(error.what()).find(damage.message), std::string::npos) << error.what();
    }
  }
}

// A gap record names the frames missing, keeps the numbers of the frames
// after it, and leaves nothing to be told against: an Elapse after it that
// leans on the handles before it is damage.
TEST(Recording, AGapIsShownWithTheFramesItLacksAndStartsAfresh) {
  const std::vector<RecordedCall> whole = readAll(kRecording, nullptr);
  std::string gap(1, static_cast<char>(cablog::recording::kGapTag));
  for (const std::uint32_t missed : {3u, 1u}) gap += bitsOf(missed);
  std::string bytes = kRecording;
  bytes.insert(whole.back().offset, gap);
  std::istringstream in(bytes);
  std::ostringstream shown;
  showRecording(in, shown);
  EXPECT_NE(shown.str().find("# frames 8-10 were not recorded, nor 1 other call among them\n"
                             "Dispose\n"),
            std::string::npos)
      << shown.str();

  std::size_t leaning = 0;
  while (whole[leaning].tag != CallTag::Elapse || whole[leaning].offset == whole[0].offset ||
         (static_cast<std::uint8_t>(kRecording[whole[leaning].offset + 1]) &
          cablog::recording::ElapseFlags::kSameHandles) == 0) {
    ++leaning;
  }
  bytes = kRecording;
  bytes.insert(whole[leaning].offset, gap);
  EXPECT_THROW(readAll(bytes, nullptr), RecordingError);
}

// A recording on disk as frames: each Elapse must hold the next frame's
// time (the runs below count their frames in it), and a gap stands for the
// frames it lacks.
struct Frames {
  bool beginsWithLoad = false;
  int gaps = 0;
  std::uint64_t beforeFirstGap = 0;  // frames recorded before any gap
  std::uint64_t count = 0;           // recorded and lacking
  bool cutShort = false;
};

Frames framesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  RecordingReader reader(in);
  RecordedCall call;
  Frames frames;
  for (bool first = true; reader.next(call); first = false) {
    frames.beginsWithLoad = frames.beginsWithLoad || (first && call.tag == CallTag::Load);
    if (call.tag == CallTag::Gap) {
      ++frames.gaps;
      frames.count += call.missedFrames;
    } else if (call.tag == CallTag::Elapse) {
      EXPECT_EQ(call.state.time, static_cast<std::int32_t>(frames.count++));
      if (frames.gaps == 0) ++frames.beforeFirstGap;
    }
  }
  frames.cutShort = reader.cutShort();
  return frames;
}

// The folder removed and made again during a streamed run: the recording
// begins again with its header and a gap for what went, and what follows
// decodes exactly.
TEST(Recording, AFileThatWentBeginsAgainWithAGap) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps a folder with an open file in it";
#else
  const cablog::testing::TempDir parent("cablog-recording");
  const fs::path folder = parent.path() / "plugins";
  const auto makeFolder = [&] {
    fs::create_directory(folder);
    std::ofstream(folder / "cablog.ini") << "[Log]\nRecord=1\nFlush=1\n";
  };
  makeFolder();
  cablog::Plugin plugin;
  plugin.load((folder / "cablog.dll").string());
  cablog::VehicleState state{};
  // Enough for the recording to be written before and after.
  for (; state.time < 3000; ++state.time) {
    if (state.time == 1500) {
      fs::remove_all(folder);
      makeFolder();
    }
    plugin.elapse(state);
  }
  plugin.dispose();
  const Frames frames = framesOf(cablog::recordingPathFor(plugin.logger.logPath));
  // What begins again replays on its own: it begins with Load.
  EXPECT_TRUE(frames.beginsWithLoad);
  EXPECT_EQ(frames.gaps, 1);
  EXPECT_EQ(frames.beforeFirstGap, 0u);
  EXPECT_EQ(frames.count, 3000u);
  EXPECT_FALSE(frames.cutShort);
#endif
}

// While the log's writes fail (a full disk) the recording gives up its file,
// so that the room left is the log's; once the log is written again, the
// recording begins again with a gap, and the log is whole.
TEST(Recording, GivesUpItsFileWhileTheLogCannotBeWritten) {
  const cablog::testing::TempDir folder("cablog-recording");
  folder.write("cablog.ini", "[Frame]\nSkip=1\n[Log]\nRecord=1\nFlush=1\n");
  folder.write("cablog.csv", "TIME,T\n");
  static std::chrono::steady_clock::time_point now;
  cablog::platform::useSteadyClock([] { return now += std::chrono::milliseconds(10); });
  cablog::Plugin plugin;
  plugin.load(cablog::testing::systemPath(folder.path() / "cablog.dll"));
  const std::string recording = cablog::recordingPathFor(plugin.logger.logPath);
  std::string rows = "T,\r\n";
  cablog::VehicleState state{};
  bool gaveUp = false;
  for (; state.time < 1500; ++state.time) {
    if (state.time == 500) cablog::platform::injectFileFaults({0, 1 << 20, 0});
    if (state.time == 1000) cablog::platform::injectFileFaults({});
    plugin.elapse(state);
    rows += std::to_string(state.time) + ",\r\n";
    gaveUp = gaveUp || (plugin.logger.stream.failing && !fs::exists(recording));
  }
  cablog::platform::useSteadyClock(nullptr);
  plugin.dispose();
  EXPECT_TRUE(gaveUp);
  EXPECT_TRUE(cablog::testing::readBytes(plugin.logger.logPath) == rows);
  EXPECT_EQ(framesOf(recording).count, 1500u);
}

}  // namespace
}  // namespace host
