// The key table is the one list of keys; the files a user gets repeat it and
// must follow it: the column file names every named key once, and the
// guide's key table lists every named key and every numbered family.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>

#include "logging/value_key.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

std::multiset<std::string> namedKeys() {
  std::multiset<std::string> keys;
  for (const NamedKey& named : kNamedKeys) keys.emplace(named.name);
  return keys;
}

TEST(KeyTableDocuments, TheShippedColumnFileNamesEveryNamedKeyOnce) {
  std::istringstream lines(testing::readBytes(CABLOG_PACKAGE_DIR "/cablog.csv"));
  std::multiset<std::string> keys;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t comma = line.find(',');
    ASSERT_NE(comma, std::string::npos) << line;
    ASSERT_LT(comma + 1, line.size()) << "no label: " << line;
    keys.insert(line.substr(0, comma));
  }
  EXPECT_EQ(keys, namedKeys());
}

// The guide's table: lines of two blanks, the key, two or more blanks and
// its meaning, in the section on choosing the columns.
TEST(KeyTableDocuments, TheGuideListsEveryKey) {
  const std::string guide = testing::readBytes(CABLOG_PACKAGE_DIR "/README.txt");
  const std::size_t start = guide.find("Choosing the columns");
  ASSERT_NE(start, std::string::npos);
  // From its own heading's underline to the next heading's.
  const std::size_t underline = guide.find("\n-", start);
  const std::size_t end = guide.find("\n-", guide.find('\n', underline + 1));
  std::istringstream lines(guide.substr(start, end - start));
  std::multiset<std::string> listed;
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("  ") || line.size() < 3 || line[2] < 'A' || line[2] > 'Z') continue;
    const std::size_t gap = line.find("  ", 2);
    if (gap == std::string::npos) continue;
    const std::string key = line.substr(2, gap - 2);
    if (std::all_of(key.begin(), key.end(), [](char c) {
          return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == 'n';
        })) {
      listed.insert(key);
    }
  }
  std::multiset<std::string> expected = namedKeys();
  for (const KeyFamily& family : kKeyFamilies) expected.insert(std::string(family.prefix) + "n");
  EXPECT_EQ(listed, expected);
}

}  // namespace
}  // namespace cablog
