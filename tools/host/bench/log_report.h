// Finding the log a module's Load wrote during this drive: never the
// newest in the folder, which may be another run's.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace host {

// The names of the Log_*.csv files in `folder`.
std::set<std::string> logsIn(const std::filesystem::path& folder);

// The one name in `after` that is not in `before`: the log a Load created.
// None if no log was created, or if several were and none can be told ours.
std::optional<std::string> newLog(const std::set<std::string>& before,
                                  const std::set<std::string>& after);

// Held by a stand-in while the module's Load claims its log, so that
// stand-ins driving modules in one folder at once each see only their own
// new log. A directory beside the module, made and removed whole; one left
// by a process that died holding it is taken over after a while.
class LoadLock {
 public:
  explicit LoadLock(const std::filesystem::path& folder);
  ~LoadLock() { release(); }
  LoadLock(const LoadLock&) = delete;
  LoadLock& operator=(const LoadLock&) = delete;
  void release();

 private:
  std::filesystem::path path_;
  bool held_ = false;
};

// Data rows in a log: its lines after the header.
std::int64_t dataRows(const std::filesystem::path& log);

}  // namespace host
