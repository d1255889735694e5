// The settings table is the one list of settings; the guide's table repeats
// it and must follow it, row for row, both ways.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

#include "settings/settings_table.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

// How the guide words the values a row takes.
std::string values(const SettingRow& row) {
  if (row.type == SettingType::Text) return "text";
  if (row.highest != kNoUpperBound) {
    return std::to_string(row.lowest) + " to " + std::to_string(row.highest);
  }
  return row.lowest == kNoLowerBound ? "any number" : std::to_string(row.lowest) + " or more";
}

// A row as the guide words it: section, key, values, default, files.
std::vector<std::string> documented(const SettingRow& row) {
  std::string key(row.key);
  key.erase(key.find_last_not_of(' ') + 1);
  return {
      "[" + std::string(row.section) + "]", key, values(row),
      row.type == SettingType::Integer ? std::to_string(row.fallback) : "none",
      row.files == SettingFiles::SharedThenOwn ? "Ats.ini, then cablog.ini" : "cablog.ini only"};
}

// The guide's table: the lines under its column names up to the first empty
// one, cells apart by two or more blanks.
TEST(SettingsTableDocuments, TheGuideListsEverySettingAsTheCodeReadsIt) {
  const std::string guide = testing::readBytes(CABLOG_PACKAGE_DIR "/README.txt");
  const std::size_t names = guide.find("\n  section  key ");
  ASSERT_NE(names, std::string::npos);
  std::istringstream lines(guide.substr(guide.find('\n', names + 1) + 1));
  const std::regex gap("  +");
  std::set<std::vector<std::string>> listed, expected;
  for (std::string line; std::getline(lines, line) && line != "" && line != "\r";) {
    if (line.back() == '\r') line.pop_back();
    EXPECT_TRUE(listed
                    .emplace(std::sregex_token_iterator(line.begin() + 2, line.end(), gap, -1),
                             std::sregex_token_iterator())
                    .second)
        << line;
  }
  for (const SettingRow& row : kSettings) expected.insert(documented(row));
  EXPECT_EQ(listed, expected);
}

}  // namespace
}  // namespace cablog
