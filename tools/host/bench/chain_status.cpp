#include "chain_status.h"

#include <cstdlib>
#include <fstream>
#include <string_view>

namespace host {

namespace {

// The text after "name:" at the start of `line`, without the spaces before it.
std::optional<std::string> field(const std::string& line, std::string_view name) {
  if (line.size() <= name.size() || line.compare(0, name.size(), name) != 0 ||
      line[name.size()] != ':') {
    return std::nullopt;
  }
  const std::size_t start = line.find_first_not_of(' ', name.size() + 1);
  return start == std::string::npos ? std::string() : line.substr(start);
}

}  // namespace

void readStatusLine(const std::string& line, ChainStatus& status) {
  if (auto reason = field(line, "reason")) status.reason = *reason;
  if (auto module = field(line, "module")) status.module = *module;
  if (auto faults = field(line, "faults")) {
    const std::size_t first = faults->find("first:");
    status.faults = std::atoll(faults->c_str());
    if (first != std::string::npos) {
      status.firstFault = faults->substr(faults->find_first_not_of(' ', first + 6));
    }
  }
}

std::string faultReport(const ChainStatus& status) {
  if (status.faults <= 0) return {};
  return "cablog-host: the chained train plug-in faulted: " +
         (status.module.empty() ? std::string("(module not named)") : status.module) +
         "\n  first:  " + (status.firstFault.empty() ? "(not told)" : status.firstFault) +
         "\n  faults: " + std::to_string(status.faults) +
         " calls failed; on each frame whose Elapse failed cablog applied the emergency brake "
         "(" +
         status.file.filename().string() + ")\n";
}

std::optional<ChainStatus> readChainStatus(const std::filesystem::path& module,
                                           std::filesystem::file_time_type since) {
  ChainStatus status;
  status.file = module;
  status.file.replace_extension(".chain.txt");
  std::error_code error;
  if (!std::filesystem::is_regular_file(status.file, error) ||
      std::filesystem::last_write_time(status.file, error) < since || error) {
    return std::nullopt;
  }
  std::ifstream in(status.file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (status.lines.empty()) status.chained = line.rfind("cablog chained", 0) == 0;
    readStatusLine(line, status);
    status.lines.push_back(line);
  }
  return status;
}

std::string whyNotChained(const std::optional<ChainStatus>& status,
                          const std::filesystem::path& module) {
  if (!status) {
    return "--chained, but the module wrote no chain status beside it (" +
           module.filename().string() +
           ": is it cablog, and does its INI file name a train plug-in under [Chain]?)";
  }
  if (status->chained) return {};
  return "--chained, but cablog chained nothing: " +
         (status->reason.empty()
              ? status->lines.empty() ? std::string("(empty status file)") : status->lines.front()
              : status->reason) +
         " (" + status->file.filename().string() + ")";
}

}  // namespace host
