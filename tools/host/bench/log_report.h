// Finding the log a module wrote during a drive.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace host {

// The newest Log_*.csv in `folder` written at or after `since`, if any.
std::optional<std::filesystem::path> newestLog(const std::filesystem::path& folder,
                                               std::filesystem::file_time_type since);

// Data rows in a log: its lines after the header.
std::int64_t dataRows(const std::filesystem::path& log);

}  // namespace host
