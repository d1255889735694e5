// The stand-in's own recording (--record FILE): every call it makes into
// the module and what came back, in cablog's recording format, so that show
// and replay read it whatever module was driven.
//
// The calls are kept in a buffer of the host's own memory and written when
// it fills and at the end. If the module crashes, the crash report writes
// what is buffered, and the Elapse under way as if it had handed back the
// handles it was given, so that the recording replays up to and including
// the crashing call, however fast the drive ran.
#pragma once

#include <cstdint>
#include <string>

#include "plugin/recording_format.h"
#include "records.h"

namespace host {

using cablog::recording::CallTag;

class HostRecorder {
 public:
  // Creates the file (replacing one of that name) and writes the header.
  // One recorder at a time: the crash report has one buffer to save. Throws
  // HostError.
  explicit HostRecorder(const std::string& path);
  ~HostRecorder();
  HostRecorder(const HostRecorder&) = delete;
  HostRecorder& operator=(const HostRecorder&) = delete;

  void call(CallTag tag);
  void call(CallTag tag, std::int32_t value);
  void call(CallTag tag, const VehicleSpec& vehicle);
  void call(CallTag tag, const BeaconData& beacon);

  // Before Elapse: the state and arrays handed in, and the handles the host
  // had set, which the record holds until elapseOut.
  void elapseIn(const VehicleState& state, const std::int32_t* panel, const std::int32_t* sound,
                const HandleRecord& handedIn);
  void elapseOut(const HandleRecord& back, const std::int32_t* panel, const std::int32_t* sound);

  // Writes what is buffered; throws HostError if the file refuses it.
  void flush();

 private:
  template <typename... Argument>
  void append(CallTag tag, const Argument&... argument);

  std::string path_;
};

}  // namespace host
