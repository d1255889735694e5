#include "log_report.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/support/temp_dir.h"

namespace host {
namespace {

namespace fs = std::filesystem;

TEST(LogReport, TakesTheOneLogTheLoadCreatedAndNoOtherRunsLog) {
  const cablog::testing::TempDir folder("host-logs");
  for (const char* name :
       {"Log_240101-100000.csv", "Log_240101-110001-2.csv", "notes.csv", "Log_240101-110002.txt"}) {
    folder.write(name, "header,\r\n");
  }
  const std::set<std::string> before = logsIn(folder.path());
  EXPECT_EQ(before, (std::set<std::string>{"Log_240101-100000.csv", "Log_240101-110001-2.csv"}));
  folder.write("Log_240101-110001.csv", "");
  EXPECT_EQ(newLog(before, logsIn(folder.path())), "Log_240101-110001.csv");
  EXPECT_FALSE(newLog(before, before).has_value());
  // Two new logs: another process's Load ran at the same time.
  folder.write("Log_240101-110001-3.csv", "");
  EXPECT_FALSE(newLog(before, logsIn(folder.path())).has_value());
  EXPECT_TRUE(logsIn(folder.path() / "missing").empty());
}

TEST(LogReport, TheLoadLockIsHeldByOneAtATime) {
  const cablog::testing::TempDir folder("host-lock");
  LoadLock lock(folder.path());
  EXPECT_TRUE(fs::is_directory(folder.path() / ".cablog-host-load.lock"));
  lock.release();
  EXPECT_FALSE(fs::exists(folder.path() / ".cablog-host-load.lock"));
  const LoadLock again(folder.path());  // would wait if the first were still held
}

TEST(LogReport, CountsTheRowsBelowTheHeader) {
  const cablog::testing::TempDir folder("host-rows");
  const struct {
    const char* bytes;
    std::int64_t rows;
  } cases[] = {
      {"", 0},
      {"\r\n", 0},
      {"A,B,\r\n1,2,\r\n3,4,\r\n", 2},
      {"\r\n\r\n\r\n", 2},  // no columns: empty rows still count
  };
  for (const auto& c : cases) {
    folder.write("Log.csv", c.bytes);
    EXPECT_EQ(dataRows(folder.path() / "Log.csv"), c.rows) << c.bytes;
  }
}

}  // namespace
}  // namespace host
