#include "log_report.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/support/temp_dir.h"

namespace host {
namespace {

namespace fs = std::filesystem;

TEST(LogReport, PicksTheNewestLogWrittenSinceTheStart) {
  const cablog::testing::TempDir folder("host-logs");
  const auto now = fs::file_time_type::clock::now();
  const struct {
    const char* name;
    int ageSeconds;
  } files[] = {
      {"Log_240101-100000.csv", 3600},  // an earlier run's
      {"Log_240101-110000.csv", 5},
      {"Log_240101-110001.csv", 5},     // same time: the later Load's name wins,
      {"Log_240101-110001-2.csv", 5},   // a suffix after none,
      {"Log_240101-110001-10.csv", 5},  // -10 after -2,
      {"Log_240101-110000-99.csv", 5},  // the stamp before the suffix
      {"Log_240101-105959.csv", 6},
      {"notes.csv", 0},
      {"Log_240101-110002.txt", 0},
  };
  for (const auto& file : files) {
    folder.write(file.name, "header,\r\n");
    fs::last_write_time(folder.path() / file.name, now - std::chrono::seconds(file.ageSeconds));
  }
  const auto since = now - std::chrono::seconds(60);
  const auto newest = newestLog(folder.path(), since);
  ASSERT_TRUE(newest.has_value());
  EXPECT_EQ(newest->filename(), "Log_240101-110001-10.csv");

  EXPECT_FALSE(newestLog(folder.path(), now + std::chrono::seconds(60)).has_value());
  EXPECT_FALSE(newestLog(folder.path() / "missing", since).has_value());
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
