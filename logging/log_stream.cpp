#include "logging/log_stream.h"

#include <span>

#include "logging/log_file.h"

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

// A log whose name no file holds claims one again, from its plain name on:
// the name it had may have been created by another run meanwhile. Whether
// the log has a file of its own, or needs none claimed.
bool claimAgain(LogStream& stream, std::string& path) {
  if (stream.created || stream.claimFrom.empty()) return true;
  ClaimedName name = claimLogName(stream.claimFrom);
  if (!name.path.empty()) path = std::move(name.path);
  if (!name.created) return false;
  stream.created = true;
  stream.claimFrom.clear();
  return true;
}

// The file, ready for what is waiting: while none of this log has reached
// it, the one cablog created (never emptied: nothing of the log is in it,
// and truncating a file makes some file systems write it all out at its
// close) or a new one; else continued, or, when it is gone, made again under
// the header; created only where nothing else is. Not open when the system
// refuses.
SharedFile openForWaiting(LogStream& stream, const LogBuffer& log, std::string& path) {
  if (!claimAgain(stream, path)) return {};
  if (log.written() == 0 && !stream.finished) {
    SharedFile file =
        SharedFile::open(path, stream.created ? SharedFile::Start::AtEnd : SharedFile::Start::New);
    stream.created = stream.created || file.isOpen();
    return file;
  }
  if (platform::fileExists(path)) return SharedFile::open(path, SharedFile::Start::AtEnd);
  SharedFile file = SharedFile::open(path, SharedFile::Start::New);
  if (file.write(stream.header.data(), stream.header.size()) != stream.header.size()) return {};
  return file;
}

// A file that must not be remade under what is waiting is checked for
// before each write that would add to it (see LogStream::restartWhenGone).
bool foundGone(LogStream& stream, const LogBuffer& log, const std::string& path) {
  if (!stream.restartWhenGone || log.written() == 0 || platform::fileExists(path)) return false;
  stream.file.close();
  stream.gone = true;
  return true;
}

// Writes what is waiting, opening the file if need be; returns whether all
// of it went.
bool writePending(LogStream& stream, LogBuffer& log, std::string& path) {
  if (log.pending() == 0) return true;
  // No free name was left: what is logged stays in memory.
  if (path.empty() || foundGone(stream, log, path)) return false;
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

void startStreaming(LogStream& stream, LogBuffer& log, std::string& path) {
  stream.header.clear();
  log.forEachChunk(
      [&](std::span<const char> chunk) { stream.header.append(chunk.data(), chunk.size()); });
  stream.lastAttempt = platform::steadyNow();
  stream.failing = !writePending(stream, log, path);
}

void flushIfDue(LogStream& stream, LogBuffer& log, std::string& path) {
  const FlushClock::time_point now = platform::steadyNow();
  if (!flushDue(log.pending(), now - stream.lastAttempt, stream.flushSeconds, stream.failing)) {
    return;
  }
  stream.lastAttempt = now;
  stream.failing = !writePending(stream, log, path);
}

bool finishStreaming(LogStream& stream, LogBuffer& log, std::string& path) {
  if (log.pending() == 0) {
    stream.file.close();
    stream.failing = false;
    return true;
  }
  if (path.empty() || foundGone(stream, log, path)) return false;
  if (!stream.file.isOpen()) stream.file = openForWaiting(stream, log, path);
  std::size_t sent = stream.file.isOpen() ? writeWaiting(stream.file, log) : 0;
  stream.file.close();
  if (sent > 0 && !platform::fileExists(path)) {
    if (stream.restartWhenGone) {
      stream.gone = true;
      return false;
    }
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

bool finishLog(LogStream& stream, LogBuffer& log, std::string& path) {
  bool whole;
  if (stream.flushSeconds > 0 || stream.finished) {
    whole = finishStreaming(stream, log, path);
  } else {
    whole = claimAgain(stream, path) && writeLogFile(path, log, stream.created);
  }
  if (!whole) return false;
  log.clear();
  stream.finished = true;
  return true;
}

}  // namespace cablog
