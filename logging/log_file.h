// Where the log goes and how it gets there.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "logging/log_buffer.h"
#include "platform/platform.h"

namespace cablog {

// Every file that goes with a log is named after it, only the extension
// differing: a name is taken while a file of any of these exists.
inline constexpr std::array<std::string_view, 2> kLogFileExtensions{".csv", ".rec"};
// Past the plain name come "-2", "-3" and so on, on to more digits than two
// (-100, -101 ...) up to this one; only then is no name left, and the log
// stays in memory.
inline constexpr int kLastLogNameSuffix = 99999;

// <directory><separator>Log_YYMMDD-hhmmss.csv, each field zero-filled to two
// digits and the year taken modulo 100.
std::string logFilePath(std::string_view directory, const platform::LocalDateTime& time,
                        char separator);

// The recording beside a log: the log's path with ".rec" for ".csv". Empty
// for an empty path (no log, no recording).
std::string recordingPathFor(std::string_view logPath);

struct ClaimedName {
  std::string path;      // empty when every name was taken
  bool created = false;  // the file is there, empty, and cablog's own
};

// Claims the first free name from `plainPath` (a logFilePath) on by creating
// the log file there: never opening a file that exists, so that a run in the
// same second, or another process racing for the name, keeps its own. When
// the system refuses to create a free name for another reason (a read-only
// folder, no inodes left), `path` is that name, held by nothing: a later
// attempt claims again from `plainPath`, so that a run that meanwhile
// created it keeps it, and this one takes the next.
ClaimedName claimLogName(const std::string& plainPath);

// Writes the whole log. Empties the file first when cablog created it
// (`created`); otherwise creates it, never replacing an existing file, and
// sets `created`. A file that cannot be opened is given up silently; returns
// whether the log was written. (A log claims its name through LogStream.)
bool writeLogFile(const std::string& path, const LogBuffer& log, bool& created);

}  // namespace cablog
