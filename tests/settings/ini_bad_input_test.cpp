// INI files as they turn up in the wild. The same expectations hold on both
// builds: on Windows the answers come from the system's profile lookup, so
// this table is also checked against it, and the portable reader must give
// the same for the same text. A Load then clamps the interval to at least 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>

#ifdef _WIN32
#include <share.h>

#include <cstdio>
#else
#include <unistd.h>
#endif

#include "plugin/plugin.h"
#include "settings/ini_int_setting.h"
#include "settings/ini_lookup.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

const SettingRow& kSkip = settingRow(Setting::Skip);

namespace fs = std::filesystem;

struct ValueCase {
  const char* value;  // the text after "Skip="
  std::int32_t setting;
};

// Found on wine's profile lookup, value by value.
constexpr ValueCase kValues[] = {
    // Beyond 32 bits the digits wrap modulo 2^32.
    {"2147483647", 2147483647},
    {"2147483648", -2147483647 - 1},
    {"4294967295", -1},
    {"4294967296", 0},
    {"4294967306", 10},
    {"-2147483649", 2147483647},
    {"99999999999999999999", 1661992959},
    // Not a plain decimal number.
    {"abc", 0},
    {"12abc", 12},
    {"1e3", 1},
    {"1 2", 1},
    {"- 7", 0},
    {"-", 0},
    {"+7", 7},
    {"\t-12\t", -12},
    {"012", 12},
    {"0x10", 16},
    {"0X10", 0},
    {"-0x10", -16},
    {"0xffffffff", -1},
    {"0x100000010", 16},
    {"0x", 0},
    {"0b101", 5},
    {"0o17", 15},
    {"\"12\"", 12},
    {"'12'", 12},
    {"\xef\xbc\x91", 0},  // a full-width digit one, in UTF-8
    // Only the first 29 characters of a value are read.
    {"0000000000000000000000000000012", 0},
    // An empty value keeps the current one.
    {"", 60},
    {"   ", 60},
};

void PrintTo(const ValueCase& c, std::ostream* out) {
  *out << '"' << c.value << "\" gives " << c.setting;
}

class IniValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(IniValue, ReadsAsTheProfileLookupDoes) {
  testing::TempDir dir("cablog-ini");
  const std::string text = std::string("[Frame]\r\nSkip=") + GetParam().value + "\r\n";
  dir.write("own.ini", text);

  IniIntSetting setting(settingRow(Setting::Skip));
  setting.loadFrom(dir.file("own.ini"));
  EXPECT_EQ(setting.value, GetParam().setting) << "system lookup";
  EXPECT_EQ(lookupProfileInt(text, kSkip.section, kSkip.key, 60), GetParam().setting)
      << "portable reader";
}

TEST_P(IniValue, IntervalIsClampedToAtLeastOne) {
  testing::TempDir cwd("cablog-cwd");
  testing::TempDir module("cablog.dll");
  testing::CurrentDirectory inside(cwd.path());
  module.write("Logger.ini", std::string("[Frame]\nSkip=") + GetParam().value + "\n");
  Plugin plugin;
  plugin.load(module.file("Logger.dll"));
  EXPECT_EQ(plugin.logger.sampleInterval, std::max(GetParam().setting, std::int32_t{1}));
}

INSTANTIATE_TEST_SUITE_P(BadInput, IniValue, ::testing::ValuesIn(kValues));

class IniFile : public ::testing::Test {
 protected:
  // A setting that has already read 10 from "./Ats.ini".
  IniIntSetting settingAt10() {
    dir_.write("Ats.ini", "[Frame]\nSkip=10\n");
    IniIntSetting setting(settingRow(Setting::Skip));
    setting.loadFrom(dir_.file("Ats.ini"));
    EXPECT_EQ(setting.value, 10);
    return setting;
  }
  testing::TempDir dir_{"cablog-ini"};
};

TEST_F(IniFile, MissingFileKeepsTheValue) {
  IniIntSetting setting = settingAt10();
  EXPECT_FALSE(setting.loadFrom(dir_.file("missing.ini")));
  EXPECT_EQ(setting.value, 10);
}

TEST_F(IniFile, EmptyFileKeepsTheValue) {
  IniIntSetting setting = settingAt10();
  dir_.write("empty.ini", "");
  EXPECT_TRUE(setting.loadFrom(dir_.file("empty.ini")));
  EXPECT_EQ(setting.value, 10);
}

// A folder exists as far as the lookup is concerned, but holds no settings.
TEST_F(IniFile, FolderKeepsTheValue) {
  IniIntSetting setting = settingAt10();
  fs::create_directory(dir_.path() / "folder.ini");
  EXPECT_TRUE(setting.loadFrom(dir_.file("folder.ini")));
  EXPECT_EQ(setting.value, 10);
}

TEST_F(IniFile, UnreadableFileKeepsTheValue) {
  IniIntSetting setting = settingAt10();
  dir_.write("locked.ini", "[Frame]\nSkip=5\n");
#ifdef _WIN32
  // Held open by another program that lets nobody read it.
  std::FILE* lock = _fsopen(dir_.file("locked.ini").c_str(), "rb", _SH_DENYRW);
  ASSERT_NE(lock, nullptr);
  setting.loadFrom(dir_.file("locked.ini"));
  std::fclose(lock);
#else
  if (geteuid() == 0) GTEST_SKIP() << "root reads files without read permission";
  fs::permissions(dir_.path() / "locked.ini", fs::perms::none);
  setting.loadFrom(dir_.file("locked.ini"));
#endif
  EXPECT_EQ(setting.value, 10);
}

TEST_F(IniFile, BinaryGarbageKeepsTheValue) {
  IniIntSetting setting = settingAt10();
  std::string garbage;
  for (int b = 255; b >= 0; --b) garbage.push_back(static_cast<char>(b));
  dir_.write("garbage.ini", garbage + garbage);
  EXPECT_TRUE(setting.loadFrom(dir_.file("garbage.ini")));
  EXPECT_EQ(setting.value, 10);
}

}  // namespace
}  // namespace cablog
