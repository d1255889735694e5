#include "settings/ini_lookup.h"

#include <gtest/gtest.h>

#include "settings/settings_table.h"

namespace cablog {
namespace {

std::int32_t skip(std::string_view text, std::int32_t fallback = 60) {
  return lookupProfileInt(text, settingRow(Setting::Skip).section, settingRow(Setting::Skip).key,
                          fallback);
}

TEST(IniLookup, FindsTheKeyWhateverItsCaseAndBlanks) {
  EXPECT_EQ(skip("[Frame]\nSkip=10\n"), 10);
  EXPECT_EQ(skip("[frame]\r\nSKIP = 10\r\n"), 10);
  EXPECT_EQ(skip("  [ Frame ]  \n\t skip\t=\t 10 \n"), 10);
  EXPECT_EQ(skip("[Other]\nSkip=1\n[Frame]\nOther=2\nSkip=3\nSkip=4\n[Frame]\nSkip=5\n"), 3);
  EXPECT_EQ(skip("[Frame]\rSkip=10\r"), 10);
  EXPECT_EQ(skip("\xef\xbb\xbf[Frame]\nSkip=10\n"), 10);
  EXPECT_EQ(skip(std::string("\xff\xfe[\0F\0r\0a\0m\0e\0]\0\n\0S\0k\0i\0p\0=\0\x39\0", 30)), 9);
}

TEST(IniLookup, SearchesOnlyTheFirstSectionOfThatName) {
  EXPECT_EQ(skip("[Frame]\nOther=1\n[Frame]\nSkip=2\n"), 60);
  // A key without "=" hides any later key of the same name.
  EXPECT_EQ(skip("[Frame]\nSkip\nSkip=2\n"), 60);
  // A header without "]" is a key line of the section before it.
  EXPECT_EQ(skip("[Frame]\n[Other\nSkip=2\n"), 2);
}

TEST(IniLookup, KeepsTheFallbackWhenNothingIsThere) {
  EXPECT_EQ(skip(""), 60);
  EXPECT_EQ(skip("Skip=10\n"), 60);
  EXPECT_EQ(skip("[Other]\nSkip=10\n"), 60);
  EXPECT_EQ(skip("[Frame]\nSkipper=10\n"), 60);
  EXPECT_EQ(skip("[Frame]\nSkip=\n"), 60);
  EXPECT_EQ(skip("[Frame]\nSkip=   \n"), 60);
}

TEST(IniLookup, ReadsTheValueAsTheProfileFunctionsDo) {
  const struct {
    const char* value;
    std::int32_t expected;
  } cases[] = {
      {"-3", -3},
      {"+7", 7},
      {"0", 0},
      {"12abc", 12},
      {"abc", 0},
      {"- 5", 0},
      {"2147483647", 2147483647},
      {"2147483648", -2147483647 - 1},
      {"4294967296", 0},
      {"007", 7},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(skip(std::string("[Frame]\nSkip=") + c.value + "\n"), c.expected) << c.value;
  }
}

// Texts as the profile functions hand them into a buffer of a given size.
TEST(IniLookup, ReadsTextsAsTheProfileFunctionsDo) {
  const struct {
    const char* value;
    std::size_t capacity;
    const char* expected;
  } cases[] = {
      {"C:\\Trains\\ats.dll", 260, "C:\\Trains\\ats.dll"},
      {"  \"C:\\a b\\x.dll\"  ", 260, "C:\\a b\\x.dll"},
      {"'x.dll'", 260, "x.dll"},
      {"\"x.dll", 260, "\"x.dll"},
      {"\"x.dll'", 260, "\"x.dll'"},
      {"\"\"", 260, ""},
      {"", 260, ""},
      {"abcdefgh", 6, "abcde"},
      {"\"abcd\"", 6, "abcd"},
      {"\"abcdef\"", 6, "abcde"},
      {"abc", 1, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(lookupProfileString(std::string("[Chain]\nModule=") + c.value + "\n", "chain",
                                  "MODULE", c.capacity),
              c.expected)
        << c.value << " into " << c.capacity;
  }
  EXPECT_FALSE(lookupProfileString("[Chain]\nOther=x\n", "Chain", "Module", 260));
}

}  // namespace
}  // namespace cablog
