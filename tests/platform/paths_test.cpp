#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

TEST(AbsolutePath, OnlyPathsThatNeverDependOnTheCurrentDirectory) {
  const struct {
    const char* path;
    bool withBackslashes;  // the Windows rule
    bool withSlashOnly;    // the POSIX rule
  } cases[] = {
      {"C:\\x", true, false},     {"c:/x", true, false},         {"\\\\server\\x", true, false},
      {"//server/x", true, true}, {"\\\\?\\C:\\x", true, false}, {"/x", false, true},
      {"\\x", false, false},      {"C:x", false, false},         {"C:", false, false},
      {"1:\\x", false, false},    {"x", false, false},           {"", false, false},
      {"..\\x", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::isAbsolutePath(c.path, "\\/"), c.withBackslashes) << c.path;
    EXPECT_EQ(platform::isAbsolutePath(c.path, "/"), c.withSlashOnly) << c.path;
  }
}

// "*" and "?" are characters of a name, which a directory search would take
// for wildcards.
TEST(FileExists, TakesEveryCharacterLiterally) {
  testing::TempDir dir;
  dir.write("a.txt", "");
  EXPECT_TRUE(platform::fileExists(dir.file("a.txt")));
  EXPECT_FALSE(platform::fileExists(dir.file("*.txt")));
  EXPECT_FALSE(platform::fileExists(dir.file("?.txt")));
}

}  // namespace
}  // namespace cablog
