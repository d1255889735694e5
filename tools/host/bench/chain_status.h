// cablog's note on the train plug-in it chained: "<module>.chain.txt" beside
// the module, written at Load.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace host {

struct ChainStatus {
  std::filesystem::path file;
  std::vector<std::string> lines;  // without line ends
  bool chained = false;            // cablog says it chained the plug-in
  std::string reason;              // why not, when cablog says so
};

// The status this run wrote: none if the file is missing or older than
// `since`.
std::optional<ChainStatus> readChainStatus(const std::filesystem::path& module,
                                           std::filesystem::file_time_type since);

// Why a drive asked for --chained cannot go on, or empty if it can.
std::string whyNotChained(const std::optional<ChainStatus>& status,
                          const std::filesystem::path& module);

}  // namespace host
