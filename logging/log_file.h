// Where the log goes and how it gets there.
#pragma once

#include <string>
#include <string_view>

#include "logging/log_buffer.h"
#include "platform/platform.h"

namespace cablog {

// <directory><separator>Log_YYMMDD-hhmmss.csv, each field zero-filled to two
// digits and the year taken modulo 100.
std::string logFilePath(std::string_view directory, const platform::LocalDateTime& time,
                        char separator);

// The recording beside a log: the log's path with ".rec" for ".csv". Empty
// for an empty path (no log, no recording).
std::string recordingPathFor(std::string_view logPath);

// Creates or truncates the file and writes the whole log. A file that cannot
// be created is given up silently; returns whether the log was written.
bool writeLogFile(const std::string& path, const LogBuffer& log);

}  // namespace cablog
