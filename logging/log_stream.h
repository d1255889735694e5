// Writing the log to its file while the run goes on, for a log that must
// survive the host dying: after a sampled frame, whatever is waiting goes to
// the file in one write once enough time has passed or enough has gathered.
// Bytes that cannot be written stay in memory for the next attempt.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "logging/log_buffer.h"
#include "platform/platform.h"

namespace cablog {

using FlushClock = std::chrono::steady_clock;

// Bytes waiting that make a sampled frame write them without waiting for
// the clock. Appending to a file in the page cache costs about half a
// microsecond a KiB here (bench/flush_write.cpp; long run at interval 1:
// the writing calls' 99th percentile 35 µs at 16 KiB, 49 µs at 32 KiB, 100
// to 120 µs at 64 KiB), so 32 KiB keeps those calls well inside their 100 µs
// while a host far faster than real time writes only every 300 rows or so.
inline constexpr std::size_t kFlushThreshold = 32 * 1024;

struct LogStream {
  // Seconds between writes; 0 leaves the whole log for Dispose.
  std::int32_t flushSeconds = 0;
  platform::SharedFile file;
  FlushClock::time_point lastAttempt;
  // The last attempt left bytes behind: only the clock brings the next one,
  // so that a full disk does not cost a system call every frame.
  bool failing = false;
  // The header row, to start a file again that vanished.
  std::string header;
  // The file at the log's path is cablog's own, which it may empty; also
  // for a log written whole at Dispose.
  bool created = false;
  // While the log's name is held by no file (its creation was refused), the
  // plain name each attempt claims a name from again; empty for a name that
  // is no log's (a recording's).
  std::string claimFrom;
  // For a file whose bytes mean nothing without those before them (a
  // recording): before writing to a file that had bytes, whether it is
  // still there; when it is gone, nothing is written and `gone` is set, for
  // the writer to start again.
  bool restartWhenGone = false;
  bool gone = false;
  // The log reached its file whole at a Dispose and its memory was let go:
  // the file is never written again but for rows the host still sends after
  // that Dispose, added to its end at the next.
  bool finished = false;
};

bool flushDue(std::size_t pendingBytes, FlushClock::duration sinceLastAttempt,
              std::int32_t flushSeconds, bool failing);

// Writes what the buffer holds, the header, to the log's file, which
// claimLogName created (stream.created) or which is created now. Each
// function that writes may give `path` the name claimed then (see
// LogStream::claimFrom).
void startStreaming(LogStream& stream, LogBuffer& log, std::string& path);

// After a sampled frame's row: writes what is waiting if it is time.
void flushIfDue(LogStream& stream, LogBuffer& log, std::string& path);

// Writes everything still waiting, creating the file again if it vanished,
// and closes it. Returns whether nothing is left waiting.
bool finishStreaming(LogStream& stream, LogBuffer& log, std::string& path);

// Writes the log at Dispose (or at the next Load, for a run without one),
// streamed or whole; returns whether all of it is in its file. A log that
// got there whole is finished (LogStream::finished) and its memory let go,
// so that a later Load or Dispose leaves the file as it is.
bool finishLog(LogStream& stream, LogBuffer& log, std::string& path);

}  // namespace cablog
