#include "log_report.h"

#include <fstream>
#include <string>

namespace host {

namespace {

bool isLogName(const std::string& name) {
  return name.size() > 8 && name.compare(0, 4, "Log_") == 0 &&
         name.compare(name.size() - 4, 4, ".csv") == 0;
}

}  // namespace

std::optional<std::filesystem::path> newestLog(const std::filesystem::path& folder,
                                               std::filesystem::file_time_type since) {
  std::optional<std::filesystem::path> newest;
  std::filesystem::file_time_type newestTime = since;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (!entry.is_regular_file(error) || !isLogName(entry.path().filename().string())) continue;
    const auto written = entry.last_write_time(error);
    if (error || written < newestTime) continue;
    // Equal times: the later name is the later Load.
    if (newest && written == newestTime && entry.path().filename() < newest->filename()) continue;
    newest = entry.path();
    newestTime = written;
  }
  return newest;
}

std::int64_t dataRows(const std::filesystem::path& log) {
  std::ifstream file(log, std::ios::binary);
  std::int64_t lines = 0;
  std::string line;
  while (std::getline(file, line)) ++lines;
  return lines > 0 ? lines - 1 : 0;
}

}  // namespace host
