// Feeds the same generated INI files to the system's profile lookup and to
// our own reader, and expects the same answer every time.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "settings/ini_lookup.h"
#include "settings/settings_table.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

const SettingRow& kSkip = settingRow(Setting::Skip);
const SettingRow& kFlush = settingRow(Setting::Flush);

template <typename T, std::size_t N>
const T& pick(std::mt19937& random, const T (&choices)[N]) {
  return choices[std::uniform_int_distribution<std::size_t>(0, N - 1)(random)];
}

std::string generateIni(std::mt19937& random) {
  static const char* const sections[] = {
      "[Frame]",   "[frame]",   "[FRAME]",  "[ Frame ]", "[Frame",   "[Frames]",
      "[Other]",   "[]",        "[Frame]x", "[Fr]ame]",  "[Frame]]", "  [Frame]",
      "[Frame\0]", "[\tFrame]", "[Log]",    "[ log ]",
  };
  static const char* const keys[] = {
      "Skip",  "skip",  "SKIP",  "Skip             ", " Skip", "Skip\t", "Skipper",
      "Ski p", "Other", ";Skip", "Skip\0x",           "",      "Flush",  " FLUSH ",
  };
  static const char* const separators[] = {"=", " = ", "\t=\t", "==", "= "};
  static const char* const values[] = {
      "10",
      "-3",
      "+7",
      "",
      "   ",
      "12abc",
      "abc",
      "0x10",
      "2147483647",
      "2147483648",
      "4294967297",
      "-2147483649",
      "007",
      "\"5\"",
      "'6'",
      "\"",
      "\"\"",
      "\"8",
      "- 5",
      "+-4",
      "\x01"
      "9",
      "1 2",
      "99999999999999999999999999999999999",
      "\"1234567890123456789012345678\"",
      "\"12345678901234567890123456789\"",
      "5\x1a",
      "3\0"
      "4",
      "\xe9"
      "5",
      "5\xe9",
      "\t42\t",
      "C:\\Trains\\My Train\\ats64.dll",
      "\"..\\ats64.dll\"",
      " 'ats64.dll' ",
      "a-path-of-more-than-two-hundred-and-sixty-characters-a-path-of-more-than-two-hundred-"
      "and-sixty-characters-a-path-of-more-than-two-hundred-and-sixty-characters-a-path-of-more-"
      "than-two-hundred-and-sixty-characters-a-path-of-more-than-two-hundred-and-sixty-characters",
      "\"quoted-path-of-more-than-two-hundred-and-sixty-characters-a-path-of-more-than-two-hundred-"
      "and-sixty-characters-a-path-of-more-than-two-hundred-and-sixty-characters-a-path-of-more-"
      "than-two-hundred-and-sixty-characters-a-path-of-more-than-two-hundred-and-sixty-"
      "characters\"",
      "1e3",
      "٣",
      "0",
  };
  static const char* const endings[] = {"\n", "\r\n", "\r", "\r\r\n", ""};
  static const char* const extras[] = {"; comment", "# note", "Skip", "=5", "   ", "\x1a"};

  std::string text;
  if (std::uniform_int_distribution<int>(0, 20)(random) == 0) text = "\xef\xbb\xbf";
  const int lines = std::uniform_int_distribution<int>(0, 8)(random);
  const char* ending = pick(random, endings);
  for (int i = 0; i < lines; ++i) {
    const int kind = std::uniform_int_distribution<int>(0, 9)(random);
    std::string line;
    if (kind < 3) {
      const char* section = pick(random, sections);
      line.assign(section,
                  section == std::string_view("[Frame\0]").data() ? 8 : std::strlen(section));
    } else if (kind < 9) {
      const char* key = pick(random, keys);
      const char* value = pick(random, values);
      line.assign(key, key == std::string_view("Skip\0x").data() ? 6 : std::strlen(key));
      line += pick(random, separators);
      line.append(value, value == std::string_view("3\0"
                                                   "4")
                                      .data()
                             ? 3
                             : std::strlen(value));
    } else {
      line = pick(random, extras);
    }
    text += line;
    // Now and then the line ending changes mid-file.
    if (std::uniform_int_distribution<int>(0, 6)(random) == 0) ending = pick(random, endings);
    text += (i + 1 < lines || std::uniform_int_distribution<int>(0, 1)(random)) ? ending : "";
  }
  // Now and then the same text as UTF-16 with a byte-order mark.
  if (std::uniform_int_distribution<int>(0, 25)(random) == 0) {
    std::string wide = "\xff\xfe";
    for (const char c : text) {
      wide.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
      wide.push_back('\0');
    }
    return wide;
  }
  return text;
}

TEST(IniDifferential, OurReaderAnswersAsTheProfileFunctionsDo) {
  testing::TempDir dir("cablog-ini");
  std::mt19937 random(20261209);
  const struct {
    const char* section;
    const char* key;
  } lookups[] = {{kSkip.section, kSkip.key},
                 {" frame ", "SKIP"},
                 {"Other", "Skip"},
                 {kFlush.section, kFlush.key}};
  int compared = 0;
  for (int file = 0; file < 1500; ++file) {
    const std::string text = generateIni(random);
    // A fresh name for every file: the system caches what it has read.
    const std::string path = dir.file("f" + std::to_string(file) + ".ini");
    dir.write("f" + std::to_string(file) + ".ini", text);
    for (const auto& lookup : lookups) {
      for (const int fallback : {60, -5}) {
        const auto system = static_cast<std::int32_t>(
            GetPrivateProfileIntA(lookup.section, lookup.key, fallback, path.c_str()));
        const std::int32_t ours = lookupProfileInt(text, lookup.section, lookup.key, fallback);
        ASSERT_EQ(ours, system) << "file " << file << " [" << lookup.section << "] " << lookup.key
                                << " default " << fallback << ":\n"
                                << ::testing::PrintToString(text);
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 1500 * static_cast<int>(std::size(lookups)) * 2);
}

// The same files, asked for texts through buffers of several sizes: the
// chained plug-in's path is read this way.
TEST(IniDifferential, OurReaderHandsOutTextsAsTheProfileFunctionsDo) {
  testing::TempDir dir("cablog-ini-text");
  std::mt19937 random(20261210);
  const struct {
    const char* section;
    const char* key;
  } lookups[] = {{kSkip.section, kSkip.key}, {" frame ", "SKIP"}, {"Other", "Skip"}};
  int compared = 0;
  for (int file = 0; file < 1500; ++file) {
    const std::string text = generateIni(random);
    const std::string name = "t" + std::to_string(file) + ".ini";
    dir.write(name, text);
    const std::string path = dir.file(name);
    for (const auto& lookup : lookups) {
      for (const std::size_t capacity :
           {std::size_t{4096}, std::size_t{260}, std::size_t{8}, std::size_t{2}}) {
        std::string system(capacity, '\0');
        system.resize(GetPrivateProfileStringA(lookup.section, lookup.key, "", system.data(),
                                               static_cast<DWORD>(capacity), path.c_str()));
        const std::string ours =
            lookupProfileString(text, lookup.section, lookup.key, capacity).value_or("");
        ASSERT_EQ(ours, system) << "file " << file << " [" << lookup.section << "] " << lookup.key
                                << " into " << capacity << ":\n"
                                << ::testing::PrintToString(text);
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 1500 * 12);
}

}  // namespace
}  // namespace cablog
