// Records every call of the host, with its arguments' exact bits, into the
// recording beside the log (format: plugin/recording_format.h), written as
// it goes through the same writer as a streamed log.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "logging/log_buffer.h"
#include "logging/log_stream.h"
#include "plugin/host_records.h"
#include "plugin/recording_format.h"

namespace cablog {

// The train plug-in a recorded run was chained to, as the header tells it.
struct RecordedModule {
  std::string fileName;  // empty: no chain
  std::uint64_t size = 0;
  std::uint64_t hash = 0;
};

// What the chained module at `path` is: its file name, size and hash.
RecordedModule describeModule(const std::string& path, std::string_view separators);

class CallRecorder {
 public:
  bool active() const { return active_; }

  // Starts a recording at `path` (nothing for an empty path): the header,
  // then the Load call. Written every `flushSeconds`, or every second for 0.
  void start(const std::string& path, std::int32_t flushSeconds, const RecordedModule& chained);

  // A call without arguments, with one integer, or with a record. A call
  // that cannot be stored (no memory, or the most the recording may hold
  // waiting) is counted for the gap record that comes before the next one
  // stored; nothing is thrown, so the call goes on to the log and the chain.
  void call(recording::CallTag tag) { callWith(tag, nullptr, 0); }
  void call(recording::CallTag tag, std::int32_t value) { callWith(tag, &value, sizeof value); }
  template <typename Record>
  void call(recording::CallTag tag, const Record& record) {
    static_assert(sizeof record <= recording::kLongestWholeArguments);
    callWith(tag, &record, sizeof record);
  }

  // Elapse, in two halves around the work: what the host handed in, then
  // what went back. The record reaches the file whole, after the second.
  // Without a chain nothing writes the arrays (`untouched`), so they are
  // not compared again.
  void elapseIn(const VehicleState& state, const std::int32_t* panel, const std::int32_t* sound);
  void elapseOut(const HandleRecord& back, const std::int32_t* panel, const std::int32_t* sound,
                 bool untouched);
  // Between the two halves: the chained plug-in failed on this frame, and
  // what goes back is cablog's emergency brake.
  void markFaulted() {
    if (pendingSize_ != 0)
      pending_[1] = static_cast<char>(pending_[1] | recording::ElapseFlags::kFaulted);
  }

  // The log comes first: while its writes fail (a full disk, say) the
  // recording gives up its file, to begin again with a gap once the log's
  // writes go through, and writes nothing meanwhile, so that the room left
  // is the log's. What it holds waiting is bounded as when its own writes
  // fail.
  void preferLog(bool logFailing) {
    if (logFailing != yielding_) yieldToLog(logFailing);
  }

  // The recording lies beside its log, under the log's name. A log whose
  // folder refused it at Load claims a name of its own later; the
  // recording then moves there, beginning again with a gap for what the
  // old file held, so that a log and its recording never part.
  // `logPath` is the log's path now; only a change costs more than a
  // comparison.
  void followLog(const std::string& logPath);

  // Writes everything waiting (a gap still open ends the recording) and
  // closes the file; calls that follow are still recorded (a host may go on
  // after Dispose) and reopen it.
  void finish();
  // Finishes, and records nothing more until the next start.
  void stop();

 private:
  void callWith(recording::CallTag tag, const void* bytes, std::size_t size);
  // Appends a record whole, after the gap record if one is open, or nothing
  // at all; whether it was stored.
  bool append(const void* bytes, std::size_t size);
  bool gapOpen() const { return missedFrames_ > 0 || missedCalls_ > 0; }
  // Writes what is waiting when it is due, or starts again when the file
  // went (see LogStream::restartWhenGone).
  void flushIfDue();
  void startAgain();
  void yieldToLog(bool logFailing);
  // What a reader knows after a gap record: all-zero arrays, no handles.
  // Every record is built after this when a gap is open, so the copies an
  // Elapse that could not be stored changed are never told against.
  void forgetArrays();

  bool active_ = false;
  std::string path_;
  LogBuffer buffer_;
  LogStream stream_;
  std::string logPath_;  // the log's path the recording's was made from
  // The arrays as they stood after the last Elapse, which the next one's
  // changes are told against.
  std::array<std::int32_t, recording::kArraySize> panel_{};
  std::array<std::int32_t, recording::kArraySize> sound_{};
  HandleRecord lastBack_{};
  bool anyBack_ = false;
  // The Elapse record being put together, at most a state, four full
  // change lists and a handle record long.
  std::array<char, recording::kLongestElapseRecord> pending_;
  std::size_t pendingSize_ = 0;
  std::uint32_t frames_ = 0;
  // Calls since the last one stored that could not be.
  std::uint32_t missedFrames_ = 0;
  std::uint32_t missedCalls_ = 0;
  // Calls stored since the file was begun, which a file that went takes
  // with it.
  std::uint32_t storedFrames_ = 0;
  std::uint32_t storedCalls_ = 0;
  bool yielding_ = false;
};

}  // namespace cablog
