#include "settings/ini_lookup.h"

#include <gtest/gtest.h>

#include "settings/ini_int_setting.h"

namespace cablog {
namespace {

std::int32_t skip(std::string_view text, std::int32_t fallback = 60) {
  return lookupProfileInt(text, kFrameSection, kSkipKey, fallback);
}

TEST(IniLookup, FindsTheKeyWhateverItsCaseAndBlanks) {
  EXPECT_EQ(skip("[Frame]\nSkip=10\n"), 10);
  EXPECT_EQ(skip("[frame]\r\nSKIP = 10\r\n"), 10);
  EXPECT_EQ(skip("  [ Frame ]  \n\t skip\t=\t 10 \n"), 10);
  EXPECT_EQ(skip("[Other]\nSkip=1\n[Frame]\nOther=2\nSkip=3\nSkip=4\n[Frame]\nSkip=5\n"), 3);
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

}  // namespace
}  // namespace cablog
