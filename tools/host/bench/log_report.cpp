#include "log_report.h"

#include <fstream>
#include <string>
#include <utility>

namespace host {

namespace {

bool isLogName(const std::string& name) {
  return name.size() > 8 && name.compare(0, 4, "Log_") == 0 &&
         name.compare(name.size() - 4, 4, ".csv") == 0;
}

// Where a log's name puts it among logs of the same time: a Load that found
// "Log_X.csv" taken wrote "Log_X-2.csv", then "-3" and so on, which their
// names as text do not order ("-2" before ".csv", "-10" before "-2").
std::pair<std::string, int> loadOrder(const std::string& name) {
  const std::string stem = name.substr(0, name.size() - 4);
  const std::size_t dash = stem.find_last_of('-');
  // The stamp has a dash of its own, YYMMDD-HHMMSS, with six digits after it.
  const std::string suffix = dash == std::string::npos ? "" : stem.substr(dash + 1);
  if (suffix.empty() || suffix.size() > 2 ||
      suffix.find_first_not_of("0123456789") != std::string::npos) {
    return {stem, 1};
  }
  return {stem.substr(0, dash), std::stoi(suffix)};
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
    if (newest && written == newestTime &&
        loadOrder(entry.path().filename().string()) < loadOrder(newest->filename().string())) {
      continue;
    }
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
