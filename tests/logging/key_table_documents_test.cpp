// The key table is the one list of keys; the files a user gets repeat it and
// must follow it: the column file names every named key once, and the
// guide's key table lists every named key and every numbered family. The
// event list likewise: the guide and the internals name every event.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "logging/event_list.h"
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

// Each event name (n for the number after a prefix) stands as a word in the
// section on events of both documents.
TEST(KeyTableDocuments, TheDocumentsNameEveryEvent) {
  for (const auto& [path, heading, next] :
       {std::tuple{CABLOG_PACKAGE_DIR "/README.txt", "\nEvents\n---", "\n---"},
        std::tuple{CABLOG_PACKAGE_DIR "/../docs/internals.md", "\n## Events\n", "\n## "}}) {
    const std::string text = testing::readBytes(path);
    const std::size_t start = text.find(heading);
    ASSERT_NE(start, std::string::npos) << path;
    const std::string section = text.substr(start, text.find(next, start + 12) - start);
    for (const std::string_view event : kEventNames) {
      const std::string word = std::string(event) + (event.ends_with('_') ? "n" : "");
      const std::regex asWord("(^|[^A-Z_])" + word + "([^A-Z_]|$)");
      EXPECT_TRUE(std::regex_search(section, asWord)) << path << " does not name " << word;
    }
  }
}

}  // namespace
}  // namespace cablog
