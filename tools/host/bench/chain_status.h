// cablog's note on the train plug-in it chained: "<module>.chain.txt" beside
// the module, written at Load.
#pragma once

#include <cstdint>
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
  std::string module;              // the train plug-in's path, as cablog names it
  // Calls into the chained plug-in that failed, and the first of them:
  // "faults: N; first: Elapse at frame F, T s, location L m: WHAT".
  std::int64_t faults = 0;
  std::string firstFault;
};

// Fills `status`'s fields from one of its lines.
void readStatusLine(const std::string& line, ChainStatus& status);

// The status this run wrote: none if the file is missing or older than
// `since`.
std::optional<ChainStatus> readChainStatus(const std::filesystem::path& module,
                                           std::filesystem::file_time_type since);

// The report of a chained plug-in that faulted (exit status 3), or empty.
std::string faultReport(const ChainStatus& status);

// Why a drive asked for --chained cannot go on, or empty if it can.
std::string whyNotChained(const std::optional<ChainStatus>& status,
                          const std::filesystem::path& module);

}  // namespace host
