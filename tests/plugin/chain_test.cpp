// The built module chained to a sample train plug-in (built beside the
// tests), driven through its exports as a host does: on Windows both are real
// DLLs, so every argument crosses the x64 calling convention twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <tuple>

#include "platform/platform.h"
#include "plugin/emergency_brake.h"
#include "tests/support/module_under_test.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kSentinel = 0x5a5a5a5a;
// Taken before any test moves the current directory.
const fs::path kSamplePlugin = fs::absolute(CABLOG_SAMPLE_TRAIN_PLUGIN);
const fs::path kOldSample = fs::absolute(CABLOG_SAMPLE_OLD_VERSION);
const fs::path kHornlessSample = fs::absolute(CABLOG_SAMPLE_WITHOUT_HORN);
const fs::path kThrowingSample = fs::absolute(CABLOG_SAMPLE_THROWS);
const std::string kSample = kSamplePlugin.filename().string();

std::string stem() {
  return fs::path(testing::builtModuleName()).stem().string();
}

// The sample's own record of the calls it received, read through a handle
// of the test's own on the same module file.
class SampleRecord {
 public:
  explicit SampleRecord(const fs::path& path) : module_(testing::loadModule(path)) {
    calls_ = reinterpret_cast<const char* (*)()>(
        platform::librarySymbol(module_.handle(), "SampleCalls"));
    reinterpret_cast<void (*)()>(platform::librarySymbol(module_.handle(), "SampleReset"))();
  }
  std::string calls() const { return calls_(); }
  // The sample's Dispose reads the logs in `folder`.
  void watchLog(const fs::path& folder) const {
    reinterpret_cast<void (*)(const char*)>(platform::librarySymbol(
        module_.handle(), "SampleWatchLog"))(testing::systemPath(folder).c_str());
  }
  std::string logAtDispose() const {
    return reinterpret_cast<const char* (*)()>(
        platform::librarySymbol(module_.handle(), "SampleLogAtDispose"))();
  }

 private:
  LoadedModule module_;
  const char* (*calls_)() = nullptr;
};

class Chain : public ::testing::Test {
 protected:
  // A sample module beside cablog, under `name`.
  fs::path placeSample(const fs::path& built, const std::string& name) {
    const fs::path copy = folder_.path() / name;
    fs::copy_file(built, copy, fs::copy_options::overwrite_existing);
    return copy;
  }
  std::optional<std::string> status() const {
    const fs::path file = folder_.path() / (stem() + ".chain.txt");
    if (!fs::exists(file)) return std::nullopt;
    return testing::readBytes(file);
  }

  testing::TempDir cwd_{"cablog-cwd"};
  testing::TempDir folder_{"cablog-chain"};
  testing::CurrentDirectory inside_{cwd_.path()};
};

TEST_F(Chain, EveryCallReachesThePluginAndItsDecisionsReachTheHostAndTheLog) {
  folder_.write(stem() + ".ini", "[Frame]\nSkip=2\n[Chain]\nModule=" + kSample + "\n");
  folder_.write(stem() + ".csv",
                "SPEED,Speed\nBRAKE,Brake\nPLUGIN_BRAKE,P brake\nPLUGIN_POWER,P power\n"
                "PLUGIN_REVERSER,P rev\nPLUGIN_CONSTANT_SPEED,P cs\nPANEL_12,Panel 12\n"
                "PANEL_255,Panel 255\nSOUND_0,Sound 0\nSOUND_7,Sound 7\npanel_12,Again\n"
                "PANEL_256,Beyond\nPANEL_01,Leading zero\nSOUND_3,Untouched\nEVENTS,Events\n");
  SampleRecord sample(placeSample(kSamplePlugin, kSample));
  {
    testing::ModuleUnderTest module(folder_.path());
    module.Load();
    EXPECT_EQ(module.GetPluginVersion(), 0x00020000);
    module.SetVehicleSpec({8, 5, 4, 1, 10});
    module.Initialize(1);
    module.SetPower(3);
    module.SetBrake(0);
    module.SetReverser(1);
    module.SetSignal(4);
    module.KeyDown(5);
    module.KeyUp(6);
    module.HornBlow(7);
    module.DoorOpen();
    module.DoorClose();
    module.SetBeaconData({1, 2, 3.5f, 4});
    std::array<std::int32_t, 256> panel;
    std::array<std::int32_t, 256> sound;
    for (int frame = 1; frame <= 4; ++frame) {
      panel.fill(kSentinel);
      sound.fill(kSentinel);
      const float speed = 20.0f + 10.0f * static_cast<float>(frame);
      const VehicleState state{100.25 * frame, speed, frame * 1000, 1.5f, 2.5f,
                               3.5f,           4.5f,  5.5f,         -6.5f};
      const HandleRecord got = module.Elapse(state, panel.data(), sound.data());
      // Above 45 km/h the sample brakes at the vehicle's notch3 (4).
      const bool tripped = speed > 45.0f;
      EXPECT_EQ(got.brake, tripped ? 4 : 0) << frame;
      EXPECT_EQ(got.power, tripped ? 0 : 3) << frame;
      EXPECT_EQ(got.reverser, 1) << frame;
      EXPECT_EQ(got.constantSpeed, tripped ? 2 : 0) << frame;
      for (std::size_t i = 0; i < 256; ++i) {
        const std::int32_t wantPanel = i == 12    ? static_cast<std::int32_t>(speed)
                                       : i == 255 ? (tripped ? 1 : 0)
                                                  : kSentinel;
        const std::int32_t wantSound = i == 0 ? (tripped ? 1 : -10000) : i == 7 ? frame : kSentinel;
        ASSERT_EQ(panel[i], wantPanel) << "panel " << i << ", frame " << frame;
        ASSERT_EQ(sound[i], wantSound) << "sound " << i << ", frame " << frame;
      }
    }
    module.Dispose();
    // Gone with the chain: the next frame is cablog's alone again.
    panel.fill(kSentinel);
    EXPECT_EQ(module.Elapse({}, panel.data(), sound.data()).power, 3);
    EXPECT_EQ(panel[12], kSentinel);
    // Its row shows nothing of what the chain last decided.
    module.Elapse({}, panel.data(), sound.data());
    module.Dispose();
  }
  EXPECT_EQ(sample.calls(),
            "Load\nGetPluginVersion\nSetVehicleSpec 8 5 4 1 10\nInitialize 1\nSetPower 3\n"
            "SetBrake 0\nSetReverser 1\nSetSignal 4\nKeyDown 5\nKeyUp 6\nHornBlow 7\nDoorOpen\n"
            "DoorClose\nSetBeaconData 1 2 3.5 4\n"
            "Elapse 100.25 30 1000 1.5 2.5 3.5 4.5 5.5 -6.5\n"
            "Elapse 200.5 40 2000 1.5 2.5 3.5 4.5 5.5 -6.5\n"
            "Elapse 300.75 50 3000 1.5 2.5 3.5 4.5 5.5 -6.5\n"
            "Elapse 401 60 4000 1.5 2.5 3.5 4.5 5.5 -6.5\n"
            "Dispose\n");
  EXPECT_EQ(testing::readBytes(testing::onlyLog(folder_.path())),
            "Speed,Brake,P brake,P power,P rev,P cs,Panel 12,Panel 255,Sound 0,Sound 7,Again,"
            "Beyond,Leading zero,Untouched,Events,\r\n"
            "40,0,0,3,1,0,40,0,-10000,2,40,,,1515870810,VEHICLE INITIALIZE POWER BRAKE REVERSER "
            "SIGNAL KEY_DOWN_5 KEY_UP_6 HORN_7 DOOR_OPEN DOOR_CLOSE BEACON PLUGIN_BRAKE "
            "PLUGIN_POWER PLUGIN_REVERSER PLUGIN_CONSTANT_SPEED,\r\n"
            "60,0,4,0,1,2,60,1,1,4,60,,,1515870810,PLUGIN_BRAKE PLUGIN_POWER "
            "PLUGIN_CONSTANT_SPEED,\r\n"
            "0,0,,,,,,,,,,,,,,\r\n");
  const auto text = status();
  ASSERT_TRUE(text);
  EXPECT_EQ(text->rfind("cablog chained the train's plug-in.\r\nmodule:  ", 0), 0u) << *text;
  EXPECT_NE(text->find(kSample + "\r\nversion: 0x00020000\r\n"), std::string::npos) << *text;
}

// A train plug-in may end the process in its own Dispose: by then cablog's
// log is complete on disk, whether written whole or streamed.
TEST_F(Chain, TheLogIsCompleteOnDiskBeforeThePluginsDispose) {
  folder_.write(stem() + ".csv", "SPEED,Speed\nPLUGIN_BRAKE,P brake\n");
  SampleRecord sample(placeSample(kSamplePlugin, kSample));
  for (const char* flush : {"0", "1"}) {
    SCOPED_TRACE(flush);
    folder_.write(stem() + ".ini", std::string("[Frame]\nSkip=1\n[Log]\nFlush=") + flush +
                                       "\n[Chain]\nModule=" + kSample + "\n");
    sample.watchLog(folder_.path());
    {
      testing::ModuleUnderTest module(folder_.path());
      module.Load();
      std::array<std::int32_t, 256> panel{};
      for (int frame = 1; frame <= 50; ++frame) {
        module.Elapse({0.0, static_cast<float>(frame), frame, 0, 0, 0, 0, 0, 0}, panel.data(),
                      panel.data());
      }
      module.Dispose();
    }
    const std::string log = testing::readBytes(testing::onlyLog(folder_.path()));
    EXPECT_TRUE(log.ends_with("\r\n50,0,\r\n")) << log;
    EXPECT_TRUE(sample.logAtDispose() == log);
    for (const auto& entry : fs::directory_iterator(folder_.path())) {
      if (entry.path().filename().string().starts_with("Log_")) fs::remove(entry.path());
    }
  }
}

TEST_F(Chain, ASecondLoadRebuildsTheChainAndNoSettingMeansNoChain) {
  SampleRecord sample(placeSample(kSamplePlugin, kSample));
  testing::ModuleUnderTest module(folder_.path());
  folder_.write(stem() + ".csv", "PLUGIN_BRAKE,P brake\nPANEL_12,Panel\n");
  folder_.write(stem() + ".ini", "[Frame]\nSkip=1\n[Chain]\nModule=" + kSample + "\n");
  module.Load();
  module.Load();
  ASSERT_TRUE(status());
  std::array<std::int32_t, 256> panel{};
  module.Elapse({0.0, 50.0f, 0, 0, 0, 0, 0, 0, 0}, panel.data(), panel.data());
  // Without the setting the chain goes, and so does the status file that
  // told of it, and what it returned.
  folder_.write(stem() + ".ini", "[Frame]\nSkip=1\n");
  module.Load();
  module.KeyDown(1);
  module.Elapse({}, panel.data(), panel.data());
  module.Dispose();
  EXPECT_FALSE(status());
  EXPECT_EQ(sample.calls(),
            "Load\nGetPluginVersion\nDispose\nLoad\nGetPluginVersion\n"
            "Elapse 0 50 0 0 0 0 0 0 0\nDispose\n");
  // Each Load has a log of its own; the last one's row is empty.
  std::vector<std::string> logs;
  for (const auto& entry : fs::directory_iterator(folder_.path())) {
    if (entry.path().filename().string().starts_with("Log_")) {
      logs.push_back(testing::readBytes(entry.path()));
    }
  }
  EXPECT_EQ(std::count(logs.begin(), logs.end(), "P brake,Panel,\r\n,,\r\n"), 1) << logs.size();
}

// A folder so deep that the chained module's path passes 260 characters:
// reached on Windows through the extended form, made whole first.
TEST_F(Chain, AModuleBeyond260CharactersIsChained) {
#ifdef _WIN32
  fs::path folder = L"\\\\?\\" + fs::absolute(folder_.path()).wstring();
#else
  fs::path folder = folder_.path();
#endif
  for (char part : {'a', 'b', 'c'}) folder /= std::string(90, part);
  fs::create_directories(folder);
  fs::copy_file(kSamplePlugin, folder / kSample);
  const auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(folder / name, std::ios::binary) << text;
  };
  // Through "..", which the extended form would otherwise take as a name.
  const std::string separator(1, static_cast<char>(fs::path::preferred_separator));
  write(stem() + ".ini", "[Frame]\nSkip=1\n[Chain]\nModule=.." + separator + std::string(90, 'c') +
                             separator + kSample + "\n");
  write(stem() + ".csv", "PLUGIN_BRAKE,P brake\n");
  ASSERT_GT((folder / kSample).native().size(), 270u);
  {
    testing::ModuleUnderTest module(folder);
    module.Load();
    module.SetVehicleSpec({8, 5, 4, 1, 10});
    std::array<std::int32_t, 256> panel{};
    EXPECT_EQ(module.Elapse({0.0, 50.0f, 0, 0, 0, 0, 0, 0, 0}, panel.data(), panel.data()).brake,
              4);
    module.Dispose();
  }
  EXPECT_EQ(testing::readBytes(folder / (stem() + ".chain.txt")).rfind("cablog chained", 0), 0u);
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder, ignored)) fs::remove(entry, ignored);
  for (int level = 0; level < 3; ++level, folder = folder.parent_path())
    fs::remove(folder, ignored);
}

// Two copies of cablog, each chaining the other: the copy that is called
// again while inside its own call does nothing there, which ends the loop,
// and says so in its status file. The host gets its handles and a log.
TEST_F(Chain, TwoCopiesChainingEachOtherEndTheLoopAtTheFirst) {
  testing::TempDir other("cablog-other");
  const auto setUp = [&](const testing::TempDir& at, const testing::TempDir& chained) {
    at.write(stem() + ".ini", "[Frame]\nSkip=1\n[Chain]\nModule=" +
                                  testing::systemPath(chained.path() / testing::builtModuleName()) +
                                  "\n");
    at.write(stem() + ".csv", "BRAKE,Brake\nPLUGIN_BRAKE,P brake\n");
  };
  setUp(folder_, other);
  setUp(other, folder_);
  {
    testing::ModuleUnderTest module(folder_.path());
    fs::copy_file(module.path(), other.path() / testing::builtModuleName());
    module.Load();
    module.SetBrake(3);
    std::array<std::int32_t, 256> panel{};
    const HandleRecord got = module.Elapse({}, panel.data(), panel.data());
    EXPECT_EQ(got.brake, 3);
    EXPECT_EQ(got.constantSpeed, 0);
    module.Dispose();
  }
  EXPECT_EQ(testing::readBytes(testing::onlyLog(folder_.path())), "Brake,P brake,\r\n3,3,\r\n");
  EXPECT_EQ(testing::readBytes(testing::onlyLog(other.path())), "Brake,P brake,\r\n3,3,\r\n");
  const auto text = status();
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("The chain leads back to cablog"), std::string::npos) << *text;
}

TEST(EmergencyBrake, OneNotchBeyondTheVehiclesOtherwiseTheHighestSet) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  using Notch = std::optional<std::int32_t>;
  for (const auto& [notches, highest, brake] : {std::tuple<Notch, Notch, std::int32_t>{0, 6, 1},
                                                {kMax, 6, kMax},
                                                {-1, 6, 6},
                                                {{}, {}, 3}}) {
    const HandleRecord got = emergencyBrake(notches, highest, {3, 5, -1, 2});
    EXPECT_EQ(std::tie(got.brake, got.power, got.reverser, got.constantSpeed),
              std::make_tuple(brake, 0, -1, 2));
  }
}

// The throwing sample fails in its third Elapse and in every HornBlow:
// that frame, and only that one, brakes (no vehicle record: at the highest
// notch set); the next calls it again.
TEST_F(Chain, APluginThatFailsBrakesTheTrainAndSaysSo) {
  const std::string name = kThrowingSample.filename().string();
  folder_.write(stem() + ".ini", "[Frame]\nSkip=9\n[Log]\nEvents=1\n[Chain]\nModule=" + name);
  folder_.write(stem() + ".csv", "PLUGIN_BRAKE,P brake\nPLUGIN_POWER,P power\nEVENTS,Events\n");
  SampleRecord sample(placeSample(kThrowingSample, name));
  {
    testing::ModuleUnderTest module(folder_.path());
    module.Load();
    for (const std::int32_t notch : {6, 2}) module.SetBrake(notch);
    module.SetPower(5);
    module.SetReverser(-1);
    std::array<std::int32_t, 256> panel{};
    for (int frame = 1; frame <= 4; ++frame) {
      const HandleRecord got = module.Elapse(
          {100.25 * frame, 30.0f, frame * 1000, 0, 0, 0, 0, 0, 0}, panel.data(), panel.data());
      EXPECT_EQ(std::tie(got.brake, got.power, got.reverser),
                frame == 3 ? std::make_tuple(6, 0, -1) : std::make_tuple(2, 5, -1));
    }
    module.HornBlow(1);
    module.Dispose();
  }
  const std::string log = testing::readBytes(testing::onlyLog(folder_.path()));
  EXPECT_NE(log.find("\r\n6,0,PLUGIN_FAULT PLUGIN_BRAKE PLUGIN_POWER,\r\n2,5,PLUGIN_BRAKE"),
            std::string::npos)
      << log;
  EXPECT_NE(status()->find("\r\nfaults:  2; first: Elapse at frame 3, 3.000 s, location 300.750 m: "
                           "an exception: planted fault in Elapse\r\nbrake:   on 1 frames "),
            std::string::npos)
      << *status();
  EXPECT_TRUE(sample.calls().ends_with("Elapse 401 30 4000 0 0 0 0 0 0\nHornBlow 1\nDispose\n"));
}

// Each refusal leaves cablog working alone, and the status file says why.
TEST_F(Chain, RefusedModulesLeaveCablogAloneAndTheStatusSaysWhy) {
  // A setting of `size` characters, each `letter` but the separators and
  // ".dll", naming a module that does not exist.
  const auto settingOf = [](std::size_t size, std::string_view letter = "d") {
    std::string path;
    for (std::size_t i = 0; i + 4 < size; ++i) path += i % 50 == 49 ? "/" : letter;
    return path + ".dll";
  };
  const struct {
    const char* name;
    std::string module;       // the setting
    const fs::path* built;    // a sample to place under that name, if any
    std::string reason;       // in the status file
    const char* sampleCalls;  // what the refused sample saw, if placed
  } cases[] = {
      {"missing file", "no_such_plugin.dll", nullptr, "there is no file of that name", ""},
      {"not a module", "garbage.dll", nullptr, "it cannot be loaded as a module: ", ""},
      {"wrong version", "old_plugin.dll", &kOldSample,
       "it answers plug-in version 0x00010000; only 0x00020000 can be chained",
       "Load\nGetPluginVersion\nDispose\n"},
      {"missing export", "hornless_plugin.dll", &kHornlessSample, "it does not export HornBlow",
       ""},
      {"cablog itself", testing::builtModuleName(), nullptr, "it is cablog itself", ""},
      {"a folder", "folder.dll", nullptr, "it cannot be loaded as a module: ", ""},
      {"a setting of 259 characters", settingOf(259), nullptr, "there is no file of that name", ""},
      {"a setting of 260 characters", settingOf(260), nullptr,
       "the setting is longer than 259 characters", ""},
      {"259 characters of two bytes each", settingOf(259, "\xd0\xb4"), nullptr,
       "there is no file of that name", ""},
  };
  folder_.write("garbage.dll", "this is not a module\n");
  fs::create_directory(folder_.path() / "folder.dll");
  folder_.write(stem() + ".csv", "PLUGIN_BRAKE,P brake\nPANEL_12,Panel\nBRAKE,Brake\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    folder_.write(stem() + ".ini", "[Frame]\nSkip=1\n[Chain]\nModule=" + c.module + "\n");
    std::optional<SampleRecord> sample;
    if (c.built != nullptr) sample.emplace(placeSample(*c.built, c.module));
    {
      testing::ModuleUnderTest module(folder_.path());
      module.Load();
      module.SetBrake(5);
      module.HornBlow(1);
      std::array<std::int32_t, 256> panel;
      panel.fill(kSentinel);
      const HandleRecord got = module.Elapse({}, panel.data(), panel.data());
      EXPECT_EQ(got.brake, 5);
      EXPECT_EQ(got.constantSpeed, 0);
      EXPECT_EQ(panel[12], kSentinel);
      module.Dispose();
    }
    EXPECT_EQ(testing::readBytes(testing::onlyLog(folder_.path())),
              "P brake,Panel,Brake,\r\n,,5,\r\n");
    for (const auto& entry : fs::directory_iterator(folder_.path())) {
      if (entry.path().filename().string().rfind("Log_", 0) == 0) fs::remove(entry.path());
    }
    const auto text = status();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->rfind("cablog did NOT chain the train's plug-in", 0), 0u) << *text;
    EXPECT_NE(text->find("reason:  " + c.reason), std::string::npos) << *text;
    if (sample) {
      EXPECT_EQ(sample->calls(), c.sampleCalls);
    }
  }
}

}  // namespace
}  // namespace cablog
