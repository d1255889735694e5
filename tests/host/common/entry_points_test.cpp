// The stand-in keeps its own list of entry points; it must name what the
// module's export list names.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "plugin_module.h"
#include "tests/support/temp_dir.h"

namespace host {
namespace {

TEST(EntryPoints, TheStandInResolvesWhatTheExportListNames) {
  std::istringstream lines(cablog::testing::readBytes(CABLOG_EXPORTS_FILE));
  std::vector<std::string> listed;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) listed.push_back(line);
  }
  std::vector<std::string> resolved = entryPointNames();
  std::sort(listed.begin(), listed.end());
  std::sort(resolved.begin(), resolved.end());
  EXPECT_EQ(resolved, listed);
}

}  // namespace
}  // namespace host
