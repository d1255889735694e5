// Reads a recording that cablog wrote with [Log] Record=1, one call at a
// time and in constant memory, into the stand-in's own records. The format
// is described in plugin/recording_format.h.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <istream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "host_error.h"
#include "plugin/recording_format.h"
#include "records.h"

namespace host {

using cablog::recording::CallTag;

struct RecordingHeader {
  std::uint32_t version = 0;
  std::string cablogVersion;
  std::string moduleName;  // the chained train plug-in's file name; empty: none
  std::uint64_t moduleSize = 0;
  std::uint64_t moduleHash = 0;
};

// A damaged or foreign recording: the byte where reading stopped and what
// was expected there.
class RecordingError : public HostError {
 public:
  RecordingError(std::uint64_t offset, const std::string& expected)
      : HostError("byte " + std::to_string(offset) + ": expected " + expected), offset(offset) {}
  std::uint64_t offset;
};

using HostArray = std::array<std::int32_t, cablog::recording::kArraySize>;

struct ArrayChange {
  std::uint8_t index;
  std::int32_t value;
};
// An Elapse record's change lists, in the order they are stored.
enum ChangeList { kPanelIn, kSoundIn, kPanelOut, kSoundOut, kChangeLists };

struct RecordedCall {
  CallTag tag{};
  std::uint64_t offset = 0;  // where its record starts
  std::int32_t value = 0;    // the argument of a call with one integer
  VehicleSpec vehicle{};
  BeaconData beacon{};
  // Elapse: the state, the arrays as handed in (if the host handed them),
  // what went back, and the arrays on return.
  VehicleState state{};
  bool panelGiven = false;
  bool soundGiven = false;
  HandleRecord back{};
  // The chained plug-in failed on this frame: `back` is cablog's emergency
  // brake.
  bool faulted = false;
  const HostArray* panelIn = nullptr;
  const HostArray* soundIn = nullptr;
  const HostArray* panelOut = nullptr;
  const HostArray* soundOut = nullptr;
  std::span<const ArrayChange> changes[kChangeLists];
  // A gap (CallTag::Gap): the calls that were not recorded there.
  std::uint32_t missedFrames = 0;
  std::uint32_t missedCalls = 0;
};

class RecordingReader {
 public:
  // Reads and checks the header. Throws RecordingError.
  explicit RecordingReader(std::istream& in);

  const RecordingHeader& header() const { return header_; }

  // The next call, whole; false at the end of the recording. A record cut
  // off by the end is no call: cutShort() then tells where it began. Throws
  // RecordingError on damage. `call`'s arrays stay valid until the next call.
  bool next(RecordedCall& call);

  bool cutShort() const { return cutShort_; }
  // Where the next record starts (or the cut one started).
  std::uint64_t offset() const { return cutShort_ ? cutAt_ : consumed_; }

 private:
  // Makes `n` more bytes readable at the cursor; false if the file ends
  // first.
  bool ensure(std::size_t n);
  const char* take(std::size_t n);
  template <typename T>
  T read() {
    T value;
    std::memcpy(&value, take(sizeof value), sizeof value);
    return value;
  }
  std::string readText(const char* what);
  // One change list, applied to `array`; false if the file ends inside it.
  bool readChanges(HostArray& array, ChangeList list, RecordedCall& call);
  // An Elapse record's fields after its tag; false if the file ends inside it.
  bool readElapse(RecordedCall& call);

  std::istream& in_;
  std::vector<char> buffer_;
  std::size_t cursor_ = 0;
  std::size_t end_ = 0;
  std::uint64_t consumed_ = 0;  // file offset of buffer_[cursor_]
  RecordingHeader header_;
  bool cutShort_ = false;
  std::uint64_t cutAt_ = 0;
  // What the last Elapse handed back; none before the first.
  std::optional<HandleRecord> lastBack_;
  HostArray panelIn_{}, soundIn_{}, panelOut_{}, soundOut_{};
  std::array<ArrayChange, cablog::recording::kArraySize> changes_[kChangeLists];
};

}  // namespace host
