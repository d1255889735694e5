#include "chain_status.h"

#include <fstream>

namespace host {

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
    if (line.rfind("reason:", 0) == 0) status.reason = line.substr(line.find_first_not_of(' ', 7));
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
