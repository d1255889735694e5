#include "logging/log_file.h"

#include <gtest/gtest.h>

#include "tests/support/held_text.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

TEST(LogFilePath, NamesTheFileAfterTheLocalTimeOfLoad) {
  EXPECT_EQ(logFilePath("C:\\sim\\plugins", {2021, 3, 3, 9, 5, 7}, '\\'),
            "C:\\sim\\plugins\\Log_210303-090507.csv");
  EXPECT_EQ(logFilePath("/sim", {2009, 12, 31, 23, 59, 59}, '/'), "/sim/Log_091231-235959.csv");
  EXPECT_EQ(logFilePath("/sim", {2100, 1, 1, 0, 0, 0}, '/'), "/sim/Log_000101-000000.csv");
  EXPECT_EQ(logFilePath("C:\\", {2021, 3, 3, 9, 5, 7}, '\\'), "C:\\Log_210303-090507.csv");
}

// Only a file cablog created itself is ever emptied; any other stays as it is.
TEST(LogFile, WritesTheWholeLogButNeverOverAnotherFile) {
  testing::TempDir dir;
  const std::string path = dir.file("Log.csv");
  const std::string older = "an older and longer file that must stay";
  dir.write("Log.csv", older);
  LogBuffer log;
  const std::string row(1000, 'x');
  for (int i = 0; i < 3000; ++i) {
    log.appendText(row);
    log.appendLineEnd();
  }
  bool created = false;
  EXPECT_FALSE(writeLogFile(path, log, created));
  EXPECT_EQ(testing::readBytes(path), older);
  std::filesystem::remove(path);
  ASSERT_TRUE(writeLogFile(path, log, created));
  ASSERT_TRUE(writeLogFile(path, log, created));
  EXPECT_EQ(testing::readBytes(path), testing::heldText(log));
  EXPECT_TRUE(created);
}

TEST(LogFile, AFileThatCannotBeCreatedIsGivenUp) {
  testing::TempDir dir;
  LogBuffer log;
  log.appendText("row");
  bool created = false;
  EXPECT_FALSE(writeLogFile(dir.file("missing-folder/Log.csv"), log, created));
  EXPECT_FALSE(writeLogFile("", log, created));
  std::filesystem::create_directory(dir.path() / "taken");
  EXPECT_FALSE(writeLogFile(dir.file("taken"), log, created));
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken"));
  EXPECT_FALSE(created);
}

// A name is free only while no file of any extension that goes with a log
// has it.
TEST(LogName, TakesTheFirstNameNoCompanionFileHas) {
  testing::TempDir dir;
  const std::string plain = dir.file("Log_210303-090507.csv");
  const struct {
    const char* existing;  // created before the claim
    const char* claimed;   // "" when none is left
  } cases[] = {
      {nullptr, "Log_210303-090507.csv"},
      {nullptr, "Log_210303-090507-2.csv"},
      {"Log_210303-090507-3.rec", "Log_210303-090507-4.csv"},
      {"Log_210303-090507-5.csv", "Log_210303-090507-6.csv"},
  };
  for (const auto& c : cases) {
    if (c.existing != nullptr) dir.write(c.existing, "someone else's");
    const ClaimedName name = claimLogName(plain);
    EXPECT_EQ(name.path, dir.file(c.claimed)) << c.claimed;
    EXPECT_TRUE(name.created);
    EXPECT_EQ(testing::readBytes(name.path), "");
  }
  // Past two digits the names go on, rather than leaving the log in memory.
  for (int n = 7; n <= 99; ++n) claimLogName(plain);
  EXPECT_EQ(claimLogName(plain).path, dir.file("Log_210303-090507-100.csv"));
  EXPECT_EQ(testing::readBytes(dir.file("Log_210303-090507-5.csv")), "someone else's");
}

}  // namespace
}  // namespace cablog
