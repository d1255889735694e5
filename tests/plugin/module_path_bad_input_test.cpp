// The built module loaded from awkward places: folder names outside ASCII,
// whether the ANSI code page can spell them or not, and paths longer than
// 260 characters.
// Its files beside it are found and its log lands beside it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "tests/plugin/bad_input_run.h"
#include "tests/support/module_under_test.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string moduleStem() {
  return fs::path(testing::builtModuleName()).stem().string();
}

fs::path onlyLogIn(const fs::path& folder) {
#ifdef _WIN32
  // The runtime's directory listing cannot reach past 260 characters; the
  // system's can, in the extended form.
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder / L"Log_*.csv").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  fs::path log;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) log = folder / found.cFileName;
  } while (log.empty() && FindNextFileW(search, &found));
  FindClose(search);
  return log;
#else
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file() && entry.path().filename().string().rfind("Log_", 0) == 0) {
      return entry.path();
    }
  }
  return {};
#endif
}

// Loads the module from `folder`, drives two sampled frames and returns the
// log it wrote there ("<no log>" when none).
std::string driveModuleIn(const fs::path& folder) {
  writeFile(folder / (moduleStem() + ".csv"), "TIME_HHMMSS,Clock\nSPEED,Speed\n");
  writeFile(folder / (moduleStem() + ".ini"), "[Frame]\nSkip=2\n");
  {
    testing::ModuleUnderTest module(folder);
    if (!module.missing().empty()) return "<exports missing>";
    module.Load();
    module.SetBrake(5);
    std::int32_t panel[256] = {};
    std::int32_t sound[256] = {};
    for (int frame = 1; frame <= 4; ++frame) {
      const HandleRecord handles = module.Elapse(
          {0.0, 2.5f * static_cast<float>(frame), frame * 1000, 0, 0, 0, 0, 0, 0}, panel, sound);
      if (handles.brake != 5) return "<handles not echoed>";
    }
    module.Dispose();
  }
  const fs::path log = onlyLogIn(folder);
  return log.empty() ? "<no log>" : testing::readBytes(log);
}

constexpr const char* kExpectedLog = "Clock,Speed,\r\n00:00:02.000,5,\r\n00:00:04.000,10,\r\n";

class ModulePath : public ::testing::Test {
 protected:
  testing::TempDir cwd_{"cablog-cwd"};
  testing::TempDir root_{"cablog-paths"};
  testing::CurrentDirectory inside_{cwd_.path()};
};

// Under wine the test program runs in a Western code page (1252) and once
// more in a Japanese one (932): each folder works under both, those its code
// page cannot spell included.
TEST_F(ModulePath, AnyFolderName) {
  for (const char8_t* name : {u8"caf\u00e9 \u00e0 la d\u00e9cimale", u8"\u30ed\u30b0\u8a18\u9332",
                              u8"u_\u041f\u043e\u0435\u0437\u0434", u8"u_\u5217\u8eca"}) {
    const fs::path folder = root_.path() / fs::path(name);
    SCOPED_TRACE(reinterpret_cast<const char*>(name));
    std::error_code error;
    ASSERT_TRUE(fs::create_directory(folder, error))
        << error.message() << "; wine names such files only under a Linux locale in UTF-8";
    EXPECT_EQ(driveModuleIn(folder), kExpectedLog);
  }
}

TEST_F(ModulePath, LongerThan260Characters) {
#ifdef _WIN32
  // The test's own file calls need the extended form to get that deep.
  fs::path folder = L"\\\\?\\" + fs::absolute(root_.path()).wstring();
#else
  fs::path folder = root_.path();
#endif
  for (char part : {'a', 'b', 'c'}) folder /= std::string(90, part) + ".dll.d";
  fs::create_directories(folder);
  ASSERT_GT((folder / testing::builtModuleName()).native().size(), 300u);
  // On Windows the plug-in reaches such paths in their extended form.
  EXPECT_EQ(driveModuleIn(folder), kExpectedLog);
  // Cleared by hand: the runtime cannot list a folder this deep to remove it.
  std::error_code ignored;
  fs::remove(onlyLogIn(folder), ignored);
  for (const std::string& name :
       {moduleStem() + ".csv", moduleStem() + ".ini", std::string(testing::builtModuleName())}) {
    fs::remove(folder / name, ignored);
  }
  for (int level = 0; level < 3; ++level, folder = folder.parent_path())
    fs::remove(folder, ignored);
}

// The log names a Load may pick over the next few seconds.
std::vector<std::string> logNamesFromNow(int seconds) {
  std::vector<std::string> names;
  const std::time_t now = std::time(nullptr);
  for (int s = 0; s < seconds; ++s) {
    const std::time_t then = now + s;
    const std::tm local = *std::localtime(&then);
    char name[64];
    std::snprintf(name, sizeof name, "Log_%02d%02d%02d-%02d%02d%02d.csv", local.tm_year % 100,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    names.emplace_back(name);
  }
  return names;
}

TEST_F(ModulePath, LogNameTakenByAFolderLeavesTheHostRunning) {
  const fs::path folder = root_.path() / "plugins";
  fs::create_directory(folder);
  for (const std::string& name : logNamesFromNow(10)) fs::create_directory(folder / name);
  writeFile(folder / (moduleStem() + ".csv"), "SPEED,Speed\n");
  writeFile(folder / (moduleStem() + ".ini"), "[Frame]\nSkip=1\n");

  testing::ModuleUnderTest module(folder);
  ASSERT_TRUE(module.missing().empty());
  module.Load();
  module.SetPower(3);
  std::int32_t panel[256] = {};
  std::int32_t sound[256] = {};
  for (int frame = 0; frame < 5; ++frame) {
    EXPECT_EQ(module.Elapse({0.0, 1.0f, frame, 0, 0, 0, 0, 0, 0}, panel, sound).power, 3);
  }
  module.Dispose();
  module.Dispose();
  EXPECT_EQ(module.GetPluginVersion(), 0x00020000);
  EXPECT_EQ(module.Elapse({}, panel, sound).power, 3);

  // The name a folder holds is passed over for the next free one.
  const fs::path log = onlyLogIn(folder);
  EXPECT_TRUE(log.string().ends_with("-2.csv")) << log.string();
  EXPECT_EQ(testing::readBytes(log), "Speed,\r\n1,\r\n1,\r\n1,\r\n1,\r\n1,\r\n");
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind("Log_", 0) == 0 && entry.path() != log) {
      EXPECT_TRUE(entry.is_directory() && fs::is_empty(entry.path())) << entry.path().string();
    }
  }
}

}  // namespace
}  // namespace cablog
