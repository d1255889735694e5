// A plug-in in a scratch module folder, with the host's current directory in
// a scratch folder of its own, for the bad-input tests.
#pragma once

#include <filesystem>
#include <string>

#include "plugin/plugin.h"
#include "tests/support/temp_dir.h"

namespace cablog::testing {

class PluginInScratch {
 public:
  TempDir cwd{"cablog-cwd"};
  TempDir module{"cablog.dll"};
  CurrentDirectory inside{cwd.path()};
  std::string modulePath = module.file("Logger.dll");
  Plugin plugin;

  // The log file's bytes, or "<no log>" when Dispose wrote none.
  std::string logText() const {
    const std::filesystem::path log = plugin.logger.logPath;
    if (log.empty() || !std::filesystem::is_regular_file(log)) return "<no log>";
    return readBytes(log);
  }
};

// Every entry of `folder` whose name starts with "Log_".
inline int countLogEntries(const std::filesystem::path& folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    count += entry.path().filename().string().rfind("Log_", 0) == 0;
  }
  return count;
}

}  // namespace cablog::testing
