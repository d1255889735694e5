// Reads the input as a sequence of the host's calls with arbitrary arguments
// and plays it against a plug-in in a scratch folder: calls in any order
// (Elapse before Load, Load twice, Dispose twice), any values (NaN,
// infinities, extreme integers), long runs of frames, into a log of every
// named key. After every Dispose the file must hold the header and one row
// per sampled frame, each line with exactly one comma per column. Some Loads
// chain the sample train plug-in: then every call must reach it, and every
// Elapse return what it decided; without a chain the host's panel and sound
// arrays must stay untouched. A second plug-in gets the same calls with its
// log streamed to the file as it grows, and meets refused opens and refused
// or short writes now and then: each row of its file must be the first one's
// row, in the same order, and its file the same bytes once nothing is left
// waiting. A third, with Events=1, must give the first one's log once some
// rows are left out.
// Some Loads record the calls ([Log] Record=1): played again into a fresh
// plug-in with the same settings, the first plug-in's recording and the
// second's must give back the same handles and arrays on every frame they
// hold (after a gap, a handle once the host set it again), and without a gap
// write the same log. The two recordings must come out the same bytes when
// no fault came between.
//
// Built with CABLOG_FUZZ_FAILING_ALLOCATIONS, the input also makes an
// allocation inside a call of the second plug-in fail now and then, as when
// memory runs out, and at times every one after it too, as when it stays
// out; the first and third stay clean, to be told against. Its rows may then
// be missing, never different, and still every call must reach its chain and
// every Elapse answer.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <istream>
#include <iterator>
#include <limits>
#include <new>
#include <optional>
#include <streambuf>
#include <string>
#include <vector>

#include <dlfcn.h>

#include "fuzz/fuzz_check.h"
#include "logging/frame_sampling.h"
#include "logging/log_file.h"
#include "plugin/plugin.h"
#include "recording_reader.h"
#include "settings/settings_table.h"
#include "tests/allocation/counting_allocator.h"
#include "tests/support/event_rows.h"
#include "tests/support/held_text.h"
#include "tests/support/test_seams.h"

#ifndef CABLOG_FUZZ_FAILING_ALLOCATIONS
#define CABLOG_FUZZ_FAILING_ALLOCATIONS 0
#endif

namespace {

constexpr bool kFailingAllocations = CABLOG_FUZZ_FAILING_ALLOCATIONS != 0;

// Allocations still to go, inside the faulted plug-in's calls, before one
// fails; whether memory then stays out, failing every one after it; whether
// one has failed during this input; whether the call running is the faulted
// plug-in's.
std::size_t allocationsToFail = 0;
bool memoryStaysOut = false;
bool allocationFailed = false;
bool faultedCall = false;

// Runs a call of a plug-in, for the faulted one counting its allocations
// towards the failing one; drops the call when that came, as the host
// boundary does. Whether the call ran to its end.
template <typename Call>
bool pluginCall(Call call) {
  if (!kFailingAllocations || !faultedCall) {
    call();
    return true;
  }
  if constexpr (kFailingAllocations) {
    cablog::testing::failAllocation(allocationsToFail, memoryStaysOut);
    bool ended = false;
    try {
      call();
      ended = true;
    } catch (const std::bad_alloc&) {
      if (!cablog::testing::allocationFailed()) throw;
    }
    allocationFailed = allocationFailed || cablog::testing::allocationFailed();
    allocationsToFail = cablog::testing::failAllocation(0);
    return ended;
  }
  return true;
}

using cablog::fuzz::check;
using cablog::fuzz::fail;

// The columns of every plug-in: every named key (made from the key table,
// so that a key added there is fuzzed too), array entries of each family,
// one key the plug-in never writes and a repeated key in lower case, with
// EVENTS, the one text cell with a size limit, last.
struct Columns {
  std::string file;    // the column file
  std::string header;  // the header row it makes
  std::size_t count = 0;
};
Columns makeColumns() {
  Columns columns;
  const auto add = [&](std::string_view key, std::string_view label) {
    ((columns.file += key) += ',') += label;
    columns.file += "\r\n";
    (columns.header += label) += ',';
    ++columns.count;
  };
  for (const cablog::NamedKey& named : cablog::kNamedKeys) {
    if (named.key != cablog::ValueKey::Events) add(named.name, named.name);
  }
  add("NOT_A_KEY", "Never set");
  add("speed", "Speed again");
  add("PANEL_12", "Panel");
  add("SOUND_7", "Sound");
  add("SOUND_3", "Untouched");
  add("KEY_0", "Key 0");
  add("KEY_1", "Key 1");
  add("KEY_255", "Key 255");
  add("EVENTS", "Events");
  columns.header += "\r\n";
  return columns;
}
const Columns kColumns = makeColumns();

// The text without the last cell of each line, EVENTS: with Events=1 an
// event row takes the events that the periodic row after it shows without.
void dropEventsCell(std::string& text) {
  char* out = text.data();
  const auto keep = [&](std::string_view part) { out = std::copy(part.begin(), part.end(), out); };
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = std::min(text.find('\n', from), text.size() - 1) + 1;
    const std::string_view line(text.data() + from, end - from);
    const std::size_t last = line.rfind(',');
    const std::size_t cell = last == 0 || last == line.npos ? line.npos : line.rfind(',', last - 1);
    if (cell == line.npos) {
      keep(line);
    } else {
      keep(line.substr(0, cell + 1));
      keep(line.substr(last + 1));
    }
    from = end;
  }
  text.resize(static_cast<std::size_t>(out - text.data()));
}

// The sample train plug-in (built beside this target): the harness holds a
// handle of its own, so that its state lasts across the chain's reloads.
struct Sample {
  Sample() {
    handle = dlopen(CABLOG_FUZZ_SAMPLE_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) std::abort();
    reset = reinterpret_cast<void (*)()>(dlsym(handle, "SampleReset"));
    callCount = reinterpret_cast<std::uint64_t (*)()>(dlsym(handle, "SampleCallCount"));
    const auto keepCalls = reinterpret_cast<void (*)(int)>(dlsym(handle, "SampleKeepCalls"));
    if (reset == nullptr || callCount == nullptr || keepCalls == nullptr) std::abort();
    keepCalls(0);
  }
  void* handle;
  void (*reset)();
  std::uint64_t (*callCount)();
};
const Sample sample;

// Makes `calls` host calls into the plug-in: its chained plug-in, if it has
// one, must get each of them, even one that found no memory.
template <typename Call>
void delivered(const cablog::Plugin& plugin, std::uint64_t calls, const Call& call) {
  const std::uint64_t before = sample.callCount();
  const bool chained = plugin.chain.active();
  call();
  check(sample.callCount() - before == (chained ? calls : 0),
        "the chained plug-in did not get every call");
}

constexpr std::int32_t kSentinel = 0x5a5a5a5a;

// The module's INI file as a Load may find it, and the interval or period
// it must give.
struct Setting {
  const char* text;  // nullptr: no file
  std::int32_t interval;
  std::int32_t periodMs = 0;
};
// Appended to a setting: chains the sample, or names nothing loadable.
constexpr const char* kChainSettings[] = {"", "[Chain]\r\nModule=" CABLOG_FUZZ_SAMPLE_PLUGIN "\r\n",
                                          "[Chain]\r\nModule=no-such-plugin.so\r\n"};
constexpr Setting kSettings[] = {
    {nullptr, 60},
    {"[Frame]\r\nSkip=1\r\n", 1},
    {"[Frame]\r\nSkip=2\r\n", 2},
    {"[Frame]\r\nSkip=3\r\n", 3},
    {"[Frame]\r\nSkip=7\r\n", 7},
    {"[Frame]\r\nSkip=1000\r\n", 1000},
    {"[Frame]\r\nSkip=65536\r\n", 65536},
    {"[Frame]\r\nSkip=0\r\n", 1},
    {"[Frame]\r\nSkip=-3\r\n", 1},
    {"[Frame]\r\nSkip=-2147483648\r\n", 1},
    {"[Frame]\r\nSkip=2147483647\r\n", 2147483647},
    {"[Other]\r\nSkip=5\r\n", 60},
    {"[Frame]\r\nSkip=5\r\nPeriod=1000\r\n", 5, 1000},
    {"[Frame]\r\nPeriod=1\r\n", 60, 1},
    {"[Frame]\r\nPeriod=2147483647\r\n", 60, cablog::kMaxPeriodMs},
    {"[Frame]\r\nSkip=2\r\nPeriod=-1\r\n", 2, 0},
};

// What one input may ask for, so that an input stays quick: libFuzzer counts
// how often each branch runs, so it would otherwise keep every input that
// runs a Load or a frame more often than any before, and inputs would grow
// slower and slower. A run of equal frames is at most a quarter of the
// frames. The fuzz build's log blocks are small, so that these rows still
// cross dozens of them; a Load costs each of the three plug-ins a column file,
// its settings and a log name.
constexpr std::uint64_t kFrameBudget = 4096;
constexpr std::uint32_t kLongestRun = 1024;
constexpr std::uint64_t kRowBudget = 500;
constexpr int kLoadBudget = 8;

// Every file the plug-ins read and write lives in memory (the disk would
// cost more than all the rest), emptied for each input: "./Ats.ini" is never
// there, so only the module's own INI file counts.
cablog::platform::MemoryFiles files;

// A module folder of its own for each plug-in, holding the column file. Its
// name is one letter: the paths of the module, its INI and column files then
// fit in a string without an allocation, and a Load makes many of them.
struct Scratch {
  explicit Scratch(char name)
      : folder{'/', name},
        modulePath(folder + "/cablog.dll"),
        iniPath(folder + "/cablog.ini"),
        chainStatusPath(folder + "/cablog.chain.txt") {
    files.byPath[folder + "/cablog.csv"] = kColumns.file;
  }
  std::string folder;
  std::string modulePath;
  std::string iniPath;
  std::string chainStatusPath;
};

// The file's bytes, or null when there is none; not copied, as logs run long.
const std::string* bytesOf(const std::string& path) {
  const auto found = files.byPath.find(path);
  return found == files.byPath.end() ? nullptr : &found->second;
}

const std::string& bytesOr(const std::string& path, const std::string& none) {
  const std::string* bytes = bytesOf(path);
  return bytes == nullptr ? none : *bytes;
}

const std::string kNoLog = "<no log>";
const std::string kNoBytes;

// A file in memory read where it lies, not copied into a stream of its own.
struct BytesIn : std::streambuf {
  explicit BytesIn(const std::string& bytes) {
    // The get area is only read from.
    char* begin = const_cast<char*>(bytes.data());
    setg(begin, begin, begin + bytes.size());
  }
};

float consumeFloat(FuzzedDataProvider& in) {
  constexpr float kSpecial[] = {
      std::numeric_limits<float>::quiet_NaN(),
      -std::numeric_limits<float>::quiet_NaN(),
      std::numeric_limits<float>::infinity(),
      -std::numeric_limits<float>::infinity(),
      std::numeric_limits<float>::max(),
      std::numeric_limits<float>::lowest(),
      std::numeric_limits<float>::denorm_min(),
      -0.0f,
      0.0f,
      999999.5f,
  };
  const std::uint8_t pick = in.ConsumeIntegral<std::uint8_t>();
  if (pick < std::size(kSpecial)) return kSpecial[pick];
  return in.ConsumeFloatingPoint<float>();
}

double consumeDouble(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) return static_cast<double>(consumeFloat(in));
  return in.ConsumeFloatingPoint<double>();
}

std::int32_t consumeInt(FuzzedDataProvider& in) {
  constexpr std::int32_t kSpecial[] = {std::numeric_limits<std::int32_t>::min(),
                                       std::numeric_limits<std::int32_t>::max(), 0, -1, 1};
  const std::uint8_t pick = in.ConsumeIntegral<std::uint8_t>();
  if (pick < std::size(kSpecial)) return kSpecial[pick];
  return in.ConsumeIntegral<std::int32_t>();
}

cablog::VehicleState consumeState(FuzzedDataProvider& in) {
  cablog::VehicleState s{};
  s.location = consumeDouble(in);
  s.speed = consumeFloat(in);
  s.time = consumeInt(in);
  s.bc = consumeFloat(in);
  s.mr = consumeFloat(in);
  s.er = consumeFloat(in);
  s.bp = consumeFloat(in);
  s.sap = consumeFloat(in);
  s.current = consumeFloat(in);
  return s;
}

// What the plug-in must have done so far, kept without looking inside it.
struct Model {
  bool loaded = false;
  std::int32_t interval = 0;
  std::int32_t periodMs = 0;
  std::uint64_t framesSinceLoad = 0;
  std::uint64_t rowsSinceLoad = 0;
  std::int32_t lastRowTime = 0;
  std::uint64_t framesTotal = 0;
  int loads = 0;
  std::uint64_t rowsTotal = 0;
  cablog::HandleEcho echo;
  bool chained = false;
  // The faulted plug-in's chain, the same unless its Load found no memory;
  // then its log, too, is still an earlier Load's.
  bool faultedChained = false;
  bool faultedLogAstray = false;
  // What the sample was told, while chained; it keeps it across reloads.
  cablog::HandleEcho sampleDriver;
  std::int32_t sampleNotch3 = 0;
  // Whether any call reached the plug-ins yet.
  bool anyCall = false;
  // The last Load's recording, and the INI files the first and the streamed
  // plug-in read. Only a recording from the first call on is replayed: the
  // values the host reported before a Load stay, and a fresh plug-in could
  // not be given them.
  bool recording = false;
  bool bothRecording = false;
  // Injected file faults reach the two plug-ins' files unevenly: what one
  // could not write, its recording marks as a gap, and the two may differ.
  bool fileFaults = false;
  std::string recordingSettings;
  std::string faultedSettings;

  std::uint64_t rows() const { return loaded ? rowsSinceLoad : 0; }
  bool sampleChained() const { return chained || faultedChained; }

  // The periodic rows a run of equal frames adds: by time, only its first
  // frame can be one.
  std::uint64_t rowsAdded(std::int32_t time, std::uint64_t frames) const {
    if (!loaded || frames == 0) return 0;
    if (periodMs == 0) {
      const auto n = static_cast<std::uint64_t>(interval);
      return (framesSinceLoad + frames) / n - framesSinceLoad / n;
    }
    return framesSinceLoad == 0 || cablog::periodElapsed(time, lastRowTime, periodMs) ? 1 : 0;
  }
};

// `chained`: whether the plug-in called has its chain.
void checkHandles(const cablog::HandleRecord& got, const Model& model,
                  const cablog::VehicleState& state, bool chained) {
  if (!chained) {
    check(got.brake == model.echo.brake && got.power == model.echo.power &&
              got.reverser == model.echo.reverser && got.constantSpeed == 0,
          "Elapse did not echo the handles");
    return;
  }
  // The sample's own rule: above 45 km/h the brake at notch3.
  const bool tripped = state.speed > 45.0f;
  const cablog::HandleRecord want =
      tripped ? cablog::HandleRecord{model.sampleNotch3, 0, model.sampleDriver.reverser, 2}
              : cablog::HandleRecord{model.sampleDriver.brake, model.sampleDriver.power,
                                     model.sampleDriver.reverser, 0};
  check(got.brake == want.brake && got.power == want.power && got.reverser == want.reverser &&
            got.constantSpeed == want.constantSpeed,
        "Elapse did not return what the chained plug-in decided");
}

// After a run of frames: alone, the host's arrays are untouched; chained,
// they hold what the plug-in wrote.
void checkArrays(bool chained, const cablog::VehicleState& state, const std::int32_t* panel,
                 const std::int32_t* sound) {
  if (!chained) {
    for (int i = 0; i < 256; ++i) {
      check(panel[i] == kSentinel && sound[i] == kSentinel, "Elapse alone touched the arrays");
    }
    return;
  }
  check(sound[0] == (state.speed > 45.0f ? 1 : -10000) && sound[3] == kSentinel,
        "the chained plug-in's sound array did not come back");
}

void checkLogFile(const Scratch& scratch, const cablog::Plugin& plugin, const Model& model) {
  if (!model.loaded) {
    if (!plugin.logger.logPath.empty()) fail("a log path before any Load", plugin.logger.logPath);
    for (const auto& [name, bytes] : files.byPath) {
      if (name.starts_with(scratch.folder + "/Log_")) fail("a log file written without Load", name);
    }
    return;
  }
  // More Loads in one second than there are names leave the log in memory.
  if (plugin.logger.logPath.empty() && model.loads > cablog::kLastLogNameSuffix) return;
  const std::string* file = bytesOf(plugin.logger.logPath);
  if (!file) fail("no log file after Dispose", plugin.logger.logPath);
  const std::string& text = *file;
  if (!text.starts_with(kColumns.header)) {
    fail("the header row is wrong", text.substr(0, 300), kColumns.header);
  }

  std::uint64_t lines = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) fail("the last line has no CR LF", text.substr(start));
    const std::string_view line(text.data() + start, end - start);
    std::size_t commas = 0;
    for (char c : line) {
      if (c == '\r' || c == '\n') fail("a line break inside a line", line);
      commas += c == ',';
    }
    if (commas != kColumns.count || !line.ends_with(','))
      fail("a line without one comma per column", line);
    ++lines;
    start = end + 2;
  }
  if (lines != model.rows() + 1) {
    fail("rows differ from sampled frames", std::to_string(lines - 1),
         std::to_string(model.rows()));
  }
}

// The plug-in writing its log at Dispose, the one streaming it, and one
// with Events=1 (which `both` reaches too).
struct Pair {
  const Scratch& plainScratch;
  const Scratch& streamedScratch;
  const Scratch& eventedScratch;
  cablog::Plugin plain;
  cablog::Plugin streamed;
  cablog::Plugin evented;

  // Before its log starts again or is written.
  void checkEventRows() const {
    // Kept from one input to the next, as they grow as long as the logs.
    static std::string withEvents;
    static std::string without;
    cablog::testing::heldText(evented.logger.logBuffer, withEvents);
    cablog::testing::heldText(plain.logger.logBuffer, without);
    dropEventsCell(withEvents);
    dropEventsCell(without);
    if (!cablog::testing::someRowsLeftOutGive(withEvents, without)) {
      fail("the Events=1 log is not the plain one with rows added", withEvents.substr(0, 600),
           without.substr(0, 600));
    }
  }

  template <typename Call>
  void both(Call call) {
    // The injected faults are meant for the streamed plug-in only.
    const cablog::platform::FileFaults faults = cablog::platform::injectFileFaults({});
    call(plain, plainScratch);
    call(evented, eventedScratch);
    cablog::platform::injectFileFaults(faults);
    faultedCall = true;
    call(streamed, streamedScratch);
    faultedCall = false;
  }
  // The same for one call that is the plug-in's alone.
  template <typename Call>
  void bothPlugins(Call call) {
    both([&](cablog::Plugin& plugin, const Scratch&) {
      delivered(plugin, 1, [&] { pluginCall([&] { call(plugin); }); });
    });
  }
};

void compareModes(const Pair& pair, const Model& model, bool strict) {
  // A Load that found no memory left the streamed plug-in on an earlier log.
  if (model.faultedLogAstray) return;
  const std::string& plain = bytesOr(pair.plain.logger.logPath, kNoLog);
  const std::string& streamed = bytesOr(pair.streamed.logger.logPath, kNoLog);
  const bool whole = pair.streamed.logger.logBuffer.pending() == 0;
  if (pair.plain.logger.logPath.empty() || plain == "<no log>") {
    if (whole && streamed != plain) {
      fail("a streamed log where the default mode wrote none", streamed.substr(0, 300));
    }
    return;
  }
  // Rows that found no memory are missing from the streamed log.
  const bool rowsMissing = allocationFailed;
  if ((strict || whole) && !rowsMissing && streamed != plain) {
    const auto at = std::mismatch(streamed.begin(), streamed.end(), plain.begin(), plain.end());
    const auto offset = static_cast<std::size_t>(at.first - streamed.begin());
    fail("the streamed log differs from the default mode's",
         streamed.substr(offset > 100 ? offset - 100 : 0, 200),
         plain.substr(offset > 100 ? offset - 100 : 0, 200));
  }
  if (streamed == kNoLog) return;
  if (!rowsMissing && !plain.starts_with(streamed)) {
    fail("the streamed log is not a prefix of the default mode's", streamed.substr(0, 300));
  }
  // Else each whole row it holds is one of the default mode's, in order.
  std::string_view rows = streamed;
  if (!whole) rows = rows.substr(0, rows.rfind('\n') + 1);
  if (rowsMissing && !rows.empty() &&
      !(rows.starts_with(kColumns.header) && cablog::testing::someRowsLeftOutGive(plain, rows))) {
    fail("a row of the streamed log is not the default mode's", rows.substr(0, 600),
         plain.substr(0, 600));
  }
}

// One plug-in's Load; whether it ran to its end. Then the chain is as the
// setting says, and got Load and GetPluginVersion, the one before Dispose.
// A Load that found no memory is dropped whole: the product keeps the earlier
// log then, and the chain is whatever the Load got to (the earlier one, none,
// or the new one), so nothing is told against it.
bool loadPlugin(cablog::Plugin& plugin, const Scratch& scratch, std::size_t chain) {
  const std::uint64_t before = sample.callCount();
  const bool wasChained = plugin.chain.active();
  if (!pluginCall([&] { plugin.load(scratch.modulePath); })) return false;
  check(plugin.chain.active() == (chain == 1), "the chain is not as the setting says");
  check(sample.callCount() - before == (wasChained ? 1u : 0u) + (chain == 1 ? 2u : 0u),
        "the chained plug-in did not get Load and GetPluginVersion");
  const std::string* said = bytesOf(scratch.chainStatusPath);
  check(chain == 0
            ? !said
            : said && said->starts_with(chain == 1 ? "cablog chained" : "cablog did NOT chain"),
        "the chain status file does not tell what happened");
  return true;
}

void load(Pair& pair, Model& model, FuzzedDataProvider& in) {
  const Setting& setting =
      kSettings[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kSettings) - 1)];
  const std::size_t chain =
      in.ConsumeIntegralInRange<std::size_t>(0, std::size(kChainSettings) - 1);
  const char* flush = in.ConsumeBool() ? "Flush=1\r\n" : "Flush=3600\r\n";
  const bool record = in.ConsumeBool();
  if (model.loads >= kLoadBudget) return;
  pair.checkEventRows();
  pair.both([&](cablog::Plugin& plugin, const Scratch& scratch) {
    const bool streamed = &plugin == &pair.streamed;
    const bool evented = &plugin == &pair.evented;
    const std::string& ini = scratch.iniPath;
    if (setting.text == nullptr && chain == 0 && !streamed && !evented && !record) {
      files.byPath.erase(ini);
    } else {
      std::string& text = files.byPath[ini];
      text.clear();
      for (const char* part : {setting.text == nullptr ? "" : setting.text, kChainSettings[chain],
                               "[Log]\r\n", streamed ? flush : "", evented ? "Events=1\r\n" : "",
                               record && !evented ? "Record=1\r\n" : ""}) {
        text += part;
      }
      if (&plugin == &pair.plain) model.recordingSettings = text;
      if (streamed) model.faultedSettings = text;
    }
    const bool loaded = loadPlugin(plugin, scratch, chain);
    if (streamed) {
      model.faultedLogAstray = !loaded;
      model.faultedChained = plugin.chain.active();
    }
  });
  model.chained = chain == 1;
  // A chained recording is not replayed: its sample keeps what it was told
  // across loads, which a fresh replay could not give it.
  model.recording = record && chain != 1 && !model.anyCall;
  model.bothRecording = record;
  model.loaded = true;
  ++model.loads;
  model.interval = setting.interval;
  model.periodMs = setting.periodMs;
  model.framesSinceLoad = 0;
  model.rowsSinceLoad = 0;
}

void elapse(Pair& pair, Model& model, const cablog::VehicleState& state, std::uint64_t frames) {
  // An event row counts too: only the run's first frame can make one.
  const std::uint64_t newRows = model.rowsAdded(state.time, frames) + (model.loaded ? 1 : 0);
  if (model.framesTotal + frames > kFrameBudget || model.rowsTotal + newRows > kRowBudget) return;
  model.framesTotal += frames;
  model.rowsTotal += newRows;
  if (model.loaded) {
    model.framesSinceLoad += frames;
    model.rowsSinceLoad += newRows - 1;
    if (newRows > 1) model.lastRowTime = state.time;
  }
  pair.both([&](cablog::Plugin& plugin, const Scratch&) {
    std::int32_t panel[256];
    std::int32_t sound[256];
    std::fill(std::begin(panel), std::end(panel), kSentinel);
    std::fill(std::begin(sound), std::end(sound), kSentinel);
    const bool chained = &plugin == &pair.streamed ? model.faultedChained : model.chained;
    delivered(plugin, frames, [&] {
      // A frame whose row or record found no memory still goes back.
      const bool answered = pluginCall([&] {
        for (std::uint64_t i = 0; i < frames; ++i) {
          checkHandles(plugin.elapse(state, panel, sound), model, state, chained);
        }
      });
      check(answered, "an Elapse that found no memory handed nothing back");
    });
    if (frames > 0) checkArrays(chained, state, panel, sound);
  });
}

// A recorded call that only reports, into the plug-in's member that the list
// of host calls names for it, with the arguments its shape takes.
template <cablog::CallShape shape, typename Call>
void replayWith(const host::RecordedCall& call, const Call& into) {
  using cablog::CallShape;
  if constexpr (shape == CallShape::Int) {
    into(call.value);
  } else if constexpr (shape == CallShape::Vehicle) {
    into(std::bit_cast<cablog::VehicleSpec>(call.vehicle));
  } else if constexpr (shape == CallShape::Beacon) {
    into(std::bit_cast<cablog::BeaconData>(call.beacon));
  } else if constexpr (shape == CallShape::None || shape == CallShape::Version) {
    into();
  }
}

void replayReport(cablog::Plugin& plugin, const host::RecordedCall& call) {
  switch (call.tag) {
// Load takes the module's path, and Elapse is compared: the caller does both.
#define FUZZ_REPLAY_CALL(name, method, tag, shape)                                        \
  case host::CallTag::name:                                                               \
    replayWith<cablog::CallShape::shape>(call, [&](const auto&... arguments) {            \
      if constexpr (requires { plugin.method(arguments...); }) plugin.method(arguments...); \
    });                                                                                   \
    break;
    CABLOG_HOST_CALLS(FUZZ_REPLAY_CALL)
#undef FUZZ_REPLAY_CALL
    case host::CallTag::Gap:
      break;  // calls that were not stored: the replay goes on after them
  }
}

// What a replay knows of the handles it hands back: after a gap, a handle
// only once the host set it again, as the gap may hold a change of it.
struct KnownHandles {
  bool brake = true;
  bool power = true;
  bool reverser = true;

  void see(host::CallTag tag) {
    if (tag == host::CallTag::Gap) brake = power = reverser = false;
    brake = brake || tag == host::CallTag::SetBrake;
    power = power || tag == host::CallTag::SetPower;
    reverser = reverser || tag == host::CallTag::SetReverser;
  }
  template <typename Recorded>
  bool same(const cablog::HandleRecord& back, const Recorded& recorded) const {
    return (!brake || back.brake == recorded.brake) && (!power || back.power == recorded.power) &&
           (!reverser || back.reverser == recorded.reverser) &&
           back.constantSpeed == recorded.constantSpeed;
  }
};

// One recorded frame played again: it must hand back what was recorded.
void replayFrame(cablog::Plugin& again, const host::RecordedCall& call, const KnownHandles& known) {
  std::array<std::int32_t, 256> panel = *call.panelIn;
  std::array<std::int32_t, 256> sound = *call.soundIn;
  const cablog::HandleRecord back = again.elapse(std::bit_cast<cablog::VehicleState>(call.state),
                                                 call.panelGiven ? panel.data() : nullptr,
                                                 call.soundGiven ? sound.data() : nullptr);
  check(known.same(back, call.back) && panel == *call.panelOut && sound == *call.soundOut,
        "a replayed frame handed back otherwise than recorded");
}

// Plays a plug-in's recording into a fresh plug-in in a folder of its own
// with the same settings: every frame it holds must hand back what was
// recorded, and, when it has no gap and `compareLog`, the log must come out
// the same, byte for byte.
void replayRecording(const cablog::Plugin& recorded, const std::string& settings, char folder,
                     bool compareLog) {
  BytesIn bytes(bytesOr(cablog::recordingPathFor(recorded.logger.logPath), kNoBytes));
  std::istream in(&bytes);
  host::RecordingReader reader(in);
  const Scratch scratch(folder);
  files.byPath[scratch.iniPath] = settings;
  cablog::Plugin again;
  host::RecordedCall call;
  KnownHandles known;
  bool gap = false;
  while (reader.next(call)) {
    gap = gap || call.tag == host::CallTag::Gap;
    known.see(call.tag);
    if (call.tag == host::CallTag::Load) {
      again.load(scratch.modulePath);
    } else if (call.tag == host::CallTag::Elapse) {
      replayFrame(again, call, known);
    } else {
      replayReport(again, call);
    }
  }
  check(!reader.cutShort(), "the recording ends inside a call");
  // Frames the recording could not keep (it says where) made rows that a
  // replay cannot make again; the frames it kept were compared above.
  if (gap || !compareLog) return;
  const std::string& original = bytesOr(recorded.logger.logPath, kNoLog);
  const std::string& replayed = bytesOr(again.logger.logPath, kNoLog);
  if (replayed != original) {
    fail("the replayed log differs", replayed.substr(0, 300), original.substr(0, 300));
  }
}

// One of the calls that only report something, as the input picks it.
void reportCall(Pair& pair, Model& model, FuzzedDataProvider& in, int which) {
  switch (which) {
    case 3: {
      model.echo.power = consumeInt(in);
      if (model.sampleChained()) model.sampleDriver.power = model.echo.power;
      pair.bothPlugins([&](cablog::Plugin& p) { p.setPower(model.echo.power); });
      break;
    }
    case 4:
      model.echo.brake = consumeInt(in);
      if (model.sampleChained()) model.sampleDriver.brake = model.echo.brake;
      pair.bothPlugins([&](cablog::Plugin& p) { p.setBrake(model.echo.brake); });
      break;
    case 5:
      model.echo.reverser = consumeInt(in);
      if (model.sampleChained()) model.sampleDriver.reverser = model.echo.reverser;
      pair.bothPlugins([&](cablog::Plugin& p) { p.setReverser(model.echo.reverser); });
      break;
    case 6: {
      const std::int32_t aspect = consumeInt(in);
      pair.bothPlugins([&](cablog::Plugin& p) { p.setSignal(aspect); });
      break;
    }
    case 7: {
      const std::int32_t type = consumeInt(in);
      const std::int32_t signal = consumeInt(in);
      const float distance = consumeFloat(in);
      const cablog::BeaconData beacon{type, signal, distance, consumeInt(in)};
      pair.bothPlugins([&](cablog::Plugin& p) { p.setBeaconData(beacon); });
      break;
    }
    case 8:
      pair.bothPlugins([](cablog::Plugin& p) { p.doorOpen(); });
      break;
    case 9:
      pair.bothPlugins([](cablog::Plugin& p) { p.doorClose(); });
      break;
    case 12: {
      cablog::VehicleSpec vehicle{consumeInt(in), consumeInt(in), consumeInt(in), consumeInt(in),
                                  consumeInt(in)};
      if (model.sampleChained()) model.sampleNotch3 = vehicle.notch3;
      const std::int32_t brakeMode = consumeInt(in);
      const std::int32_t keyDown = consumeInt(in);
      const std::int32_t keyUp = consumeInt(in);
      const std::int32_t horn = consumeInt(in);
      pair.bothPlugins([&](cablog::Plugin& p) { p.setVehicleSpec(vehicle); });
      pair.bothPlugins([&](cablog::Plugin& p) { p.initialize(brakeMode); });
      pair.bothPlugins([&](cablog::Plugin& p) { p.keyDown(keyDown); });
      pair.bothPlugins([&](cablog::Plugin& p) { p.keyUp(keyUp); });
      pair.bothPlugins([&](cablog::Plugin& p) { p.hornBlow(horn); });
      break;
    }
  }
}

// Refused opens and refused or short writes, which only the streamed
// plug-in's files meet.
void injectFileFaults(FuzzedDataProvider& in, Model& model) {
  cablog::platform::FileFaults faults;
  faults.failingOpens = in.ConsumeIntegralInRange<int>(0, 2);
  faults.failingWrites = in.ConsumeIntegralInRange<int>(0, 2);
  faults.shortWrites = in.ConsumeIntegralInRange<int>(0, 2);
  cablog::platform::injectFileFaults(faults);
  model.fileFaults = true;
}

// After the last Dispose, with no fault left to come.
void checkRecordings(const Pair& pair, const Model& model) {
  const auto recordingOf = [](const cablog::Plugin& p) {
    const std::string* bytes = bytesOf(cablog::recordingPathFor(p.logger.logPath));
    return bytes == nullptr ? std::optional<std::string_view>() : std::string_view(*bytes);
  };
  // A recording lies beside its log, whatever name the log had to take;
  // the streamed plug-in's only if it found the memory to begin (and begin
  // again), and then it holds the same calls, unless a fault came between.
  check(!model.bothRecording ||
            (recordingOf(pair.plain) && (allocationFailed || recordingOf(pair.streamed))),
        "a recording is not beside its log");
  check(!model.bothRecording || model.fileFaults || allocationFailed ||
            recordingOf(pair.streamed) == recordingOf(pair.plain),
        "the recordings of the same calls differ");
  if (model.recording) {
    replayRecording(pair.plain, model.recordingSettings, 'r', true);
    // Rows that found no memory are missing from the streamed log, and
    // only from there.
    if (recordingOf(pair.streamed)) {
      replayRecording(pair.streamed, model.faultedSettings, 'q', !allocationFailed);
    }
  }
}

}  // namespace

// AddressSanitizer fills each new allocation, which costs this target more
// than anything it checks, and holds freed memory back longer than an input
// runs (4 MiB still outlasts one); its checks stay as they are.
extern "C" const char* __asan_default_options() {
  return "max_malloc_fill_size=0:quarantine_size_mb=4";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  files.clear();
  cablog::platform::useMemoryFiles(&files);
  const Scratch plainScratch('p');
  const Scratch streamedScratch('s');
  const Scratch eventedScratch('e');
  sample.reset();
  allocationsToFail = 0;
  memoryStaysOut = false;
  allocationFailed = false;
  FuzzedDataProvider in(data, size);
  Pair pair{plainScratch, streamedScratch, eventedScratch, {}, {}, {}};
  Model model;
  const auto dispose = [&](bool strict) {
    pair.checkEventRows();
    pair.bothPlugins([](cablog::Plugin& plugin) { plugin.dispose(); });
    model.chained = model.faultedChained = false;
    checkLogFile(plainScratch, pair.plain, model);
    compareModes(pair, model, strict);
  };
  while (in.remaining_bytes() > 0) {
    const int which = in.ConsumeIntegralInRange<int>(0, 14);
    switch (which) {
      case 0:
        load(pair, model, in);
        break;
      case 1:
        elapse(pair, model, consumeState(in), 1);
        break;
      case 2: {
        const auto frames = in.ConsumeIntegralInRange<std::uint32_t>(1, kLongestRun);
        elapse(pair, model, consumeState(in), frames);
        break;
      }
      case 10:
      case 11:
        dispose(false);
        break;
      case 13:
        injectFileFaults(in, model);
        break;
      case 14:
        allocationsToFail =
            kFailingAllocations ? in.ConsumeIntegralInRange<std::size_t>(1, 200) : 0;
        memoryStaysOut = kFailingAllocations && in.ConsumeBool();
        break;
      default:
        reportCall(pair, model, in, which);
        break;
    }
    model.anyCall = true;
  }
  cablog::platform::injectFileFaults({});
  allocationsToFail = 0;
  dispose(true);
  checkRecordings(pair, model);
  // Else libFuzzer takes what is left for a leak and runs the input again.
  files.clear();
  return 0;
}
