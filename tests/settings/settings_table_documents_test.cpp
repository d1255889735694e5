// The settings table is the one list of settings; the guide's table repeats
// it and must follow it, row for row, both ways.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "settings/settings_table.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

using Cells = std::vector<std::string>;

// A row as the guide words it: section, key, values, default, files.
Cells documented(const SettingRow& row) {
  std::string key(row.key);
  key.erase(key.find_last_not_of(' ') + 1);
  std::string values = "text";
  if (row.type == SettingType::Integer) {
    if (row.lowest == kNoLowerBound && row.highest == kNoUpperBound) {
      values = "any number";
    } else if (row.highest == kNoUpperBound) {
      values = std::to_string(row.lowest) + " or more";
    } else {
      values = std::to_string(row.lowest) + " to " + std::to_string(row.highest);
    }
  }
  return {
      "[" + std::string(row.section) + "]", key, values,
      row.type == SettingType::Integer ? std::to_string(row.fallback) : "none",
      row.files == SettingFiles::SharedThenOwn ? "Ats.ini, then cablog.ini" : "cablog.ini only"};
}

// The guide's table: under the line of column names, one line a setting,
// cells apart by two or more blanks, up to the first empty line.
TEST(SettingsTableDocuments, TheGuideListsEverySettingAsTheCodeReadsIt) {
  const std::string guide = testing::readBytes(CABLOG_PACKAGE_DIR "/README.txt");
  const std::size_t start = guide.find("\n  section  key ");
  ASSERT_NE(start, std::string::npos);
  std::istringstream lines(guide.substr(guide.find('\n', start + 1) + 1));
  const std::regex gap("  +");
  std::set<Cells> listed;
  for (std::string line; std::getline(lines, line) && !line.empty();) {
    if (line.back() == '\r') line.pop_back();
    Cells cells(std::sregex_token_iterator(line.begin() + 2, line.end(), gap, -1), {});
    EXPECT_TRUE(listed.insert(cells).second) << line;
  }
  std::set<Cells> expected;
  for (const SettingRow& row : kSettings) expected.insert(documented(row));
  EXPECT_EQ(listed, expected);
}

}  // namespace
}  // namespace cablog
