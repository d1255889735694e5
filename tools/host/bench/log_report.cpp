#include "log_report.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace host {

namespace fs = std::filesystem;

namespace {

// A Load takes milliseconds; a lock this old was left by a process that died.
constexpr auto kStaleLock = std::chrono::seconds(20);

bool isLogName(const std::string& name) {
  return name.size() > 8 && name.compare(0, 4, "Log_") == 0 &&
         name.compare(name.size() - 4, 4, ".csv") == 0;
}

}  // namespace

std::set<std::string> logsIn(const fs::path& folder) {
  std::set<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (isLogName(name)) names.insert(name);
  }
  return names;
}

std::optional<std::string> newLog(const std::set<std::string>& before,
                                  const std::set<std::string>& after) {
  std::optional<std::string> found;
  for (const std::string& name : after) {
    if (before.count(name) != 0) continue;
    if (found) return std::nullopt;
    found = name;
  }
  return found;
}

LoadLock::LoadLock(const fs::path& folder) : path_(folder / ".cablog-host-load.lock") {
  std::error_code error;
  while (!fs::create_directory(path_, error)) {
    if (error) return;  // a folder we cannot write: nobody else's log lands there either
    const auto made = fs::last_write_time(path_, error);
    if (!error && fs::file_time_type::clock::now() - made > kStaleLock) fs::remove(path_, error);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  held_ = true;
}

void LoadLock::release() {
  if (!held_) return;
  std::error_code error;
  fs::remove(path_, error);
  held_ = false;
}

std::int64_t dataRows(const fs::path& log) {
  std::ifstream file(log, std::ios::binary);
  std::int64_t lines = 0;
  std::string line;
  while (std::getline(file, line)) ++lines;
  return lines > 0 ? lines - 1 : 0;
}

}  // namespace host
