#include "logging/log_file.h"

#include <gtest/gtest.h>

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

TEST(LogFile, ReplacesAnExistingFileWithTheWholeLog) {
  testing::TempDir dir;
  const std::string path = dir.file("Log.csv");
  dir.write("Log.csv", "an older and longer file that must disappear");
  LogBuffer log;
  const std::string row(1000, 'x');
  for (int i = 0; i < 3000; ++i) {
    log.appendText(row);
    log.appendLineEnd();
  }
  ASSERT_TRUE(writeLogFile(path, log));
  EXPECT_EQ(testing::readBytes(path), log.str());
}

TEST(LogFile, AFileThatCannotBeCreatedIsGivenUp) {
  testing::TempDir dir;
  LogBuffer log;
  log.appendText("row");
  EXPECT_FALSE(writeLogFile(dir.file("missing-folder/Log.csv"), log));
  EXPECT_FALSE(writeLogFile("", log));
  std::filesystem::create_directory(dir.path() / "taken");
  EXPECT_FALSE(writeLogFile(dir.file("taken"), log));
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken"));
}

}  // namespace
}  // namespace cablog
