#include "plugin/call_recorder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <tuple>

#include "logging/log_file.h"
#include "platform/platform.h"

#ifndef CABLOG_VERSION_TEXT
#define CABLOG_VERSION_TEXT "unknown"
#endif

namespace cablog {
namespace {

using recording::CallTag;
namespace ElapseFlags = recording::ElapseFlags;

static_assert(std::endian::native == std::endian::little,
              "the recording stores numbers as this machine holds them");
static_assert(sizeof(VehicleState) == recording::kStateBytes);
static_assert(sizeof(HandleRecord) == recording::kHandleBytes);
constexpr std::size_t kArrayBytes = recording::kArraySize * sizeof(std::int32_t);
// Frames between looks at the clock for a due write: reading it costs about
// a sixth of a recorded frame, and at 60 frames a second eight frames are
// 0.13 s, well inside the second between writes.
constexpr std::uint32_t kFramesPerClockLook = 8;
constexpr char kNoChanges[2] = {0, 0};
// While the file takes nothing, the most the recording holds waiting: past
// it, calls are counted for a gap instead, so that the memory a failing disk
// leaves goes to the log's rows, which come first. Never below what makes
// a write due by size, so that a file that takes what it is given never
// costs a call.
constexpr std::size_t kMostWaiting = std::max(LogBuffer::kBlockSize, 2 * kFlushThreshold);

// Writes the entries of `now` that differ from `before` as a change list at
// `out`, brings `before` up to date and returns the bytes written. Most
// frames change nothing, which one comparison of the whole array finds.
std::size_t writeChanges(char* out, const std::int32_t* now, std::int32_t* before) {
  char* at = out + 2;
  std::uint16_t count = 0;
  if (std::memcmp(now, before, kArrayBytes) != 0) {
    for (std::size_t i = 0; i < recording::kArraySize; ++i) {
      if (now[i] == before[i]) continue;
      *at = static_cast<char>(i);
      std::memcpy(at + 1, &now[i], sizeof now[i]);
      at += recording::kChangeBytes;
      before[i] = now[i];
      ++count;
    }
  }
  std::memcpy(out, &count, sizeof count);
  return static_cast<std::size_t>(at - out);
}

void appendText(std::string& header, std::string_view text) {
  const auto length = static_cast<std::uint16_t>(std::min(text.size(), recording::kMaxHeaderText));
  header.append(reinterpret_cast<const char*>(&length), sizeof length);
  header.append(text.substr(0, length));
}

template <typename Number>
void appendNumber(std::string& header, Number value) {
  header.append(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

RecordedModule describeModule(const std::string& path, std::string_view separators) {
  RecordedModule module;
  const std::size_t slash = path.find_last_of(separators);
  module.fileName = slash == std::string::npos ? path : path.substr(slash + 1);
  if (const auto bytes = platform::readFile(path)) {
    module.size = bytes->size();
    module.hash = recording::fnv1a64(*bytes);
  }
  return module;
}

void CallRecorder::start(const std::string& path, std::int32_t flushSeconds,
                         const RecordedModule& chained) {
  stop();
  if (path.empty()) return;
  // The header and the first block are had before anything is recorded, so
  // that no recording lacks its header: without memory for them, the run
  // is not recorded at all.
  try {
    std::string header(recording::kRecordingMagic);
    appendNumber(header, recording::kRecordingFormatVersion);
    appendText(header, CABLOG_VERSION_TEXT);
    appendText(header, chained.fileName);
    appendNumber(header, chained.size);
    appendNumber(header, chained.hash);
    path_ = path;
    buffer_.appendBytes(header);
    stream_ = LogStream{};
    stream_.flushSeconds = flushSeconds > 0 ? flushSeconds : 1;
    stream_.restartWhenGone = true;
    startStreaming(stream_, buffer_, path_);
  } catch (const std::bad_alloc&) {
    stop();
    return;
  }
  active_ = true;
  call(CallTag::Load);
}

void CallRecorder::callWith(CallTag tag, const void* bytes, std::size_t size) {
  if (gapOpen()) forgetArrays();
  char record[1 + recording::kLongestWholeArguments];
  record[0] = static_cast<char>(tag);
  if (size > 0) std::memcpy(record + 1, bytes, size);
  if (append(record, 1 + size)) {
    ++storedCalls_;
  } else {
    ++missedCalls_;
  }
}

bool CallRecorder::append(const void* bytes, std::size_t size) {
  // A gap record alone (nine bytes, once at the end) is always kept: it is
  // what says that calls are missing.
  if (size > 0 && buffer_.pending() > kMostWaiting) return false;
  const LogBuffer::Mark mark = buffer_.mark();
  try {
    if (gapOpen()) {
      char gap[1 + recording::kGapBytes];
      gap[0] = static_cast<char>(recording::kGapTag);
      std::memcpy(gap + 1, &missedFrames_, sizeof missedFrames_);
      std::memcpy(gap + 5, &missedCalls_, sizeof missedCalls_);
      buffer_.appendBytes(std::string_view(gap, sizeof gap));
    }
    buffer_.appendBytes(std::string_view(static_cast<const char*>(bytes), size));
  } catch (const std::bad_alloc&) {
    buffer_.rollBack(mark);
    return false;
  }
  missedFrames_ = missedCalls_ = 0;
  return true;
}

void CallRecorder::forgetArrays() {
  panel_.fill(0);
  sound_.fill(0);
  anyBack_ = false;
}

void CallRecorder::elapseIn(const VehicleState& state, const std::int32_t* panel,
                            const std::int32_t* sound) {
  if (gapOpen()) forgetArrays();
  char* out = pending_.data();
  out[0] = static_cast<char>(CallTag::Elapse);
  out[1] = static_cast<char>((panel != nullptr ? ElapseFlags::kPanelGiven : 0) |
                             (sound != nullptr ? ElapseFlags::kSoundGiven : 0));
  std::memcpy(out + 2, &state, sizeof state);
  std::size_t size = 2 + sizeof state;
  if (panel != nullptr) size += writeChanges(out + size, panel, panel_.data());
  if (sound != nullptr) size += writeChanges(out + size, sound, sound_.data());
  pendingSize_ = size;
}

void CallRecorder::elapseOut(const HandleRecord& back, const std::int32_t* panel,
                             const std::int32_t* sound, bool untouched) {
  if (pendingSize_ == 0) return;
  char* out = pending_.data();
  std::size_t size = pendingSize_;
  if (anyBack_ && std::memcmp(&back, &lastBack_, sizeof back) == 0) {
    out[1] = static_cast<char>(out[1] | ElapseFlags::kSameHandles);
  } else {
    std::memcpy(out + size, &back, sizeof back);
    size += sizeof back;
    lastBack_ = back;
    anyBack_ = true;
  }
  for (const auto& [flag, now, before] :
       {std::tuple{ElapseFlags::kPanelGiven, panel, panel_.data()},
        std::tuple{ElapseFlags::kSoundGiven, sound, sound_.data()}}) {
    if ((out[1] & flag) == 0) continue;
    if (untouched) {
      std::memcpy(out + size, kNoChanges, sizeof kNoChanges);
      size += sizeof kNoChanges;
    } else {
      size += writeChanges(out + size, now, before);
    }
  }
  pendingSize_ = 0;
  if (append(out, size)) {
    ++storedFrames_;
  } else {
    ++missedFrames_;
  }
  if (++frames_ % kFramesPerClockLook == 0) flushIfDue();
}

void CallRecorder::flushIfDue() {
  if (yielding_) return;
  // A write that finds no memory (to open the file, say) has marked nothing
  // written and is tried again when next due: the frame it follows must
  // still go back to the host.
  try {
    cablog::flushIfDue(stream_, buffer_, path_);
  } catch (const std::bad_alloc&) {
    return;
  }
  if (stream_.gone) startAgain();
}

void CallRecorder::yieldToLog(bool logFailing) {
  yielding_ = logFailing;
  if (!logFailing || (buffer_.written() == 0 && !stream_.created)) return;
  stream_.file.close();
  platform::removeFile(path_);
  startAgain();
}

void CallRecorder::followLog(const std::string& logPath) {
  if (!active_ || logPath == logPath_ || logPath.empty()) return;
  try {
    std::string moved = recordingPathFor(logPath);
    logPath_ = logPath;
    if (moved == path_) return;
    if (stream_.created || buffer_.written() > 0) {
      stream_.file.close();
      platform::removeFile(path_);
    }
    path_ = std::move(moved);
  } catch (const std::bad_alloc&) {
    return;  // tried again at the next call
  }
  startAgain();
}

// The file went (deleted, or its folder removed) with every call it held,
// and what waits was told against them: the recording starts again, its
// header, then a gap for every call before, then whole records.
void CallRecorder::startAgain() {
  stream_.gone = false;
  stream_.created = false;
  buffer_.clear();
  try {
    buffer_.appendBytes(stream_.header);
    // What is on disk must replay on its own: like every recording, it
    // begins with the Load the run was made under.
    const char load = static_cast<char>(CallTag::Load);
    buffer_.appendBytes(std::string_view(&load, 1));
  } catch (const std::bad_alloc&) {
    buffer_.clear();
    active_ = false;
    return;
  }
  missedFrames_ += storedFrames_;
  missedCalls_ += storedCalls_;
  storedFrames_ = storedCalls_ = 0;
  forgetArrays();
}

void CallRecorder::finish() {
  if (!active_) return;
  // A gap at the end is said by a record of its own.
  if (gapOpen()) append("", 0);
  // One more attempt when writing fails, as for the log; a file that went
  // is begun again, with a gap record for what it held.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (finishStreaming(stream_, buffer_, path_)) return;
    if (!stream_.gone) continue;
    startAgain();
    if (active_) append("", 0);
  }
}

void CallRecorder::stop() {
  finish();
  active_ = false;
  path_.clear();
  logPath_.clear();
  buffer_.clear();
  panel_.fill(0);
  sound_.fill(0);
  lastBack_ = {};
  anyBack_ = false;
  pendingSize_ = 0;
  frames_ = 0;
  missedFrames_ = missedCalls_ = 0;
  storedFrames_ = storedCalls_ = 0;
  yielding_ = false;
}

}  // namespace cablog
