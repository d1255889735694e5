#include "logging/log_stream.h"

#include <algorithm>
#include <span>

namespace cablog {
namespace {

using platform::SharedFile;

// Opens the file if need be and writes what is waiting; returns whether all
// of it went. The file is emptied only while none of this log reached it.
bool writePending(LogStream& stream, LogBuffer& log, const std::string& path) {
  if (log.pending() == 0) return true;
  if (path.empty()) {
    // No folder to write to (the module's could not be found): nothing can
    // ever be written, so nothing is kept.
    log.markWritten(log.pending());
    return true;
  }
  if (!stream.file.isOpen()) {
    stream.file = SharedFile::open(
        path, log.written() == 0 ? SharedFile::Start::Empty : SharedFile::Start::AtEnd);
    if (!stream.file.isOpen()) return false;
  }
  std::size_t written = 0;
  bool whole = true;
  log.forEachPendingChunk([&](std::span<const char> chunk) {
    if (!whole) return;
    const std::size_t n = stream.file.write(chunk.data(), chunk.size());
    written += n;
    whole = n == chunk.size();
  });
  log.markWritten(written);
  return whole;
}

}  // namespace

std::int32_t clampFlushSeconds(std::int32_t seconds) {
  return std::clamp(seconds, std::int32_t{0}, kMaxFlushSeconds);
}

bool flushDue(std::size_t pendingBytes, FlushClock::duration sinceLastAttempt,
              std::int32_t flushSeconds, bool failing) {
  if (flushSeconds <= 0 || pendingBytes == 0) return false;
  if (sinceLastAttempt >= std::chrono::seconds(flushSeconds)) return true;
  return !failing && pendingBytes > kFlushThreshold;
}

void startStreaming(LogStream& stream, LogBuffer& log, const std::string& path) {
  stream.header = log.str();
  stream.lastAttempt = FlushClock::now();
  stream.failing = !writePending(stream, log, path);
}

void flushIfDue(LogStream& stream, LogBuffer& log, const std::string& path) {
  const FlushClock::time_point now = FlushClock::now();
  if (!flushDue(log.pending(), now - stream.lastAttempt, stream.flushSeconds, stream.failing)) {
    return;
  }
  stream.lastAttempt = now;
  stream.failing = !writePending(stream, log, path);
}

bool finishStreaming(LogStream& stream, LogBuffer& log, const std::string& path) {
  const bool vanished =
      stream.file.isOpen() ? stream.file.isRemoved() : !platform::fileExists(path);
  if (log.pending() > 0 && log.written() > 0 && !path.empty() && vanished) {
    // Someone removed the file (or its folder) during the run: what reached
    // it went with it, but what is still here gets a file of its own, under
    // its header so that it stays readable.
    stream.file.close();
    stream.file = SharedFile::open(path, SharedFile::Start::Empty);
    if (!stream.file.isOpen()) return false;
    if (stream.file.write(stream.header.data(), stream.header.size()) != stream.header.size()) {
      stream.file.close();
      return false;
    }
  }
  const bool whole = writePending(stream, log, path);
  stream.file.close();
  stream.failing = !whole;
  return whole;
}

}  // namespace cablog
