#include "logging/log_stream.h"

#include <span>

namespace cablog {
namespace {

using platform::SharedFile;

// Hands the waiting bytes to the file, in order, until one write falls
// short; returns how many went. Marks nothing written.
std::size_t writeWaiting(SharedFile& file, const LogBuffer& log) {
  std::size_t sent = 0;
  bool whole = true;
  log.forEachPendingChunk([&](std::span<const char> chunk) {
    if (!whole) return;
    const std::size_t n = file.write(chunk.data(), chunk.size());
    sent += n;
    whole = n == chunk.size();
  });
  return sent;
}

// The file, ready for what is waiting: emptied while none of this log has
// reached it, else continued, or, when it is gone, made again under the
// header; created only where nothing else is. Not open when the system
// refuses.
SharedFile openForWaiting(LogStream& stream, const LogBuffer& log, const std::string& path) {
  if (log.written() == 0) {
    SharedFile file =
        SharedFile::open(path, stream.created ? SharedFile::Start::Empty : SharedFile::Start::New);
    stream.created = stream.created || file.isOpen();
    return file;
  }
  if (platform::fileExists(path)) return SharedFile::open(path, SharedFile::Start::AtEnd);
  SharedFile file = SharedFile::open(path, SharedFile::Start::New);
  if (file.write(stream.header.data(), stream.header.size()) != stream.header.size()) return {};
  return file;
}

// Writes what is waiting, opening the file if need be; returns whether all
// of it went.
bool writePending(LogStream& stream, LogBuffer& log, const std::string& path) {
  if (log.pending() == 0) return true;
  // No free name was left: what is logged stays in memory.
  if (path.empty()) return false;
  if (!stream.file.isOpen()) {
    stream.file = openForWaiting(stream, log, path);
    if (!stream.file.isOpen()) return false;
  }
  log.markWritten(writeWaiting(stream.file, log));
  return log.pending() == 0;
}

}  // namespace

bool flushDue(std::size_t pendingBytes, FlushClock::duration sinceLastAttempt,
              std::int32_t flushSeconds, bool failing) {
  if (flushSeconds <= 0 || pendingBytes == 0) return false;
  if (sinceLastAttempt >= std::chrono::seconds(flushSeconds)) return true;
  return !failing && pendingBytes > kFlushThreshold;
}

void startStreaming(LogStream& stream, LogBuffer& log, const std::string& path) {
  stream.header.clear();
  log.forEachChunk(
      [&](std::span<const char> chunk) { stream.header.append(chunk.data(), chunk.size()); });
  stream.lastAttempt = platform::steadyNow();
  stream.failing = !writePending(stream, log, path);
}

void flushIfDue(LogStream& stream, LogBuffer& log, const std::string& path) {
  const FlushClock::time_point now = platform::steadyNow();
  if (!flushDue(log.pending(), now - stream.lastAttempt, stream.flushSeconds, stream.failing)) {
    return;
  }
  stream.lastAttempt = now;
  stream.failing = !writePending(stream, log, path);
}

bool finishStreaming(LogStream& stream, LogBuffer& log, const std::string& path) {
  if (log.pending() == 0) {
    stream.file.close();
    stream.failing = false;
    return true;
  }
  if (path.empty()) return false;
  if (!stream.file.isOpen()) stream.file = openForWaiting(stream, log, path);
  std::size_t sent = stream.file.isOpen() ? writeWaiting(stream.file, log) : 0;
  stream.file.close();
  if (sent > 0 && !platform::fileExists(path)) {
    // The file was deleted while open (or its folder removed), and took the
    // last bytes with it: they are still here, so they get a file again,
    // under the header. Rows written to it before are gone with it.
    SharedFile again = openForWaiting(stream, log, path);
    sent = again.isOpen() ? writeWaiting(again, log) : 0;
  }
  log.markWritten(sent);
  stream.failing = log.pending() > 0;
  return !stream.failing;
}

}  // namespace cablog
