// The recording (`.rec`, beside the log): every call the host made into
// cablog, with the exact bits of every argument, so that a run can be played
// again into a train plug-in. This header is the one description of the
// format: cablog writes it (plugin/call_recorder.cpp) and cablog-host reads
// it (tools/host/recording/recording_reader.cpp), which is why the stand-in
// may include this file of ours and the list of calls it takes its tags
// from (host_calls.h). It holds constants only.
//
// All numbers are little-endian; floats are stored as their IEEE bits.
//
// Header, once at the start:
//
// | bytes | what                                                          |
// |-------|---------------------------------------------------------------|
// | 8     | kRecordingMagic, "CABLOGRC"                                   |
// | 4     | format version, kRecordingFormatVersion; readers refuse others |
// | 2 + n | cablog's version: length, then that many characters           |
// | 2 + n | the chained train plug-in's file name (empty: no chain)       |
// | 8     | that file's size in bytes (0: no chain)                       |
// | 8     | fnv1a64 of that file's bytes (0: no chain)                    |
//
// Then one record per call, in the order of the calls: a tag byte (CallTag)
// and the call's arguments as the host passed them:
//
// | tag                         | arguments after the tag              |
// |-----------------------------|--------------------------------------|
// | Load, Dispose, GetPluginVersion, DoorOpen, DoorClose | none        |
// | Initialize, KeyDown, KeyUp, HornBlow, SetPower, SetBrake, SetReverser, SetSignal | 4: int32 |
// | SetVehicleSpec              | 20: five int32, in the host's order  |
// | SetBeaconData               | 16: the beacon record                |
// | Elapse                      | see below                            |
//
// Elapse:
//
// | bytes | what                                                          |
// |-------|---------------------------------------------------------------|
// | 1     | ElapseFlags                                                   |
// | 40    | the vehicle state record, as the host laid it out             |
// | list  | panel array as handed in (only if kPanelGiven)                |
// | list  | sound array as handed in (only if kSoundGiven)                |
// | 16    | the handle record returned (absent if kSameHandles: as the    |
// |       | previous Elapse returned; the first Elapse always has it)     |
// | list  | panel array on return (only if kPanelGiven)                   |
// | list  | sound array on return (only if kSoundGiven)                   |
//
// kFaulted marks a frame whose call into the chained plug-in failed: the
// handle record is cablog's emergency brake, and the arrays on return hold
// whatever the plug-in wrote before it failed. Recordings without a fault
// never set it, so they read as before.
//
// A list holds the entries that changed: a uint16 count (at most 256), then
// per entry a uint8 index and the int32 value, indices rising. An array as
// handed in is told against the same array on return from the last Elapse
// that was handed one (all zero before the first); an array on return
// against the same array as handed in to this Elapse. A frame where nothing
// changes costs 50 bytes.
//
// Where calls could not be stored (no memory, or writes failing for so long
// that the recording gave up its memory to the log), a gap record stands
// for them, before the next call that was stored:
//
// | bytes | what                                                          |
// |-------|---------------------------------------------------------------|
// | 1     | tag kGapTag                                                   |
// | 4     | uint32: Elapse calls missing                                  |
// | 4     | uint32: other calls missing                                   |
//
// After a gap nothing is told against what came before it: the arrays are
// all zero again and the next Elapse holds its handle record, so that the
// rest decodes exactly. A recording without gaps is as it always was.
//
// The file grows a whole record at a time, so a recording cut short by a
// crash ends at a record boundary and every call in it can be replayed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "plugin/host_calls.h"

namespace cablog::recording {

inline constexpr std::string_view kRecordingMagic = "CABLOGRC";
inline constexpr std::uint32_t kRecordingFormatVersion = 1;

// One tag per host call, numbered as plugin/host_calls.h lists them.
enum class CallTag : std::uint8_t {
#define CABLOG_CALL_TAG(name, method, tag, shape) name = tag,
  CABLOG_HOST_CALLS(CABLOG_CALL_TAG)
#undef CABLOG_CALL_TAG
  // No host call: the gap record.
  Gap,
};

// Each tag with the entry point it stands for and the bytes of its fixed
// arguments (Elapse's variable part aside).
struct CallKind {
  CallTag tag;
  std::string_view name;
  std::size_t argumentBytes;
};
inline constexpr CallKind kCallKinds[] = {
#define CABLOG_CALL_KIND(name, method, tag, shape) \
  {CallTag::name, #name, recordedArgumentBytes(CallShape::shape)},
    CABLOG_HOST_CALLS(CABLOG_CALL_KIND)
#undef CABLOG_CALL_KIND
};
static_assert(std::size(kCallKinds) == 16, "one kind per entry point");

// The gap record's tag, beyond the entry points', and its arguments' bytes.
inline constexpr std::uint8_t kGapTag = static_cast<std::uint8_t>(CallTag::Gap);
static_assert(kGapTag == std::size(kCallKinds) + 1);
inline constexpr std::size_t kGapBytes = 8;

constexpr const CallKind* callKind(std::uint8_t tag) {
  if (tag < 1 || tag > std::size(kCallKinds)) return nullptr;
  return &kCallKinds[tag - 1];
}
constexpr bool kindsInTagOrder() {
  for (std::size_t i = 0; i < std::size(kCallKinds); ++i) {
    if (static_cast<std::size_t>(kCallKinds[i].tag) != i + 1) return false;
  }
  return true;
}
static_assert(kindsInTagOrder());

namespace ElapseFlags {
inline constexpr std::uint8_t kPanelGiven = 1;
inline constexpr std::uint8_t kSoundGiven = 2;
inline constexpr std::uint8_t kSameHandles = 4;
inline constexpr std::uint8_t kFaulted = 8;
inline constexpr std::uint8_t kAll = 15;
}  // namespace ElapseFlags

inline constexpr std::size_t kArraySize = 256;
inline constexpr std::size_t kStateBytes = 40;
inline constexpr std::size_t kHandleBytes = 16;
inline constexpr std::size_t kChangeBytes = 5;  // uint8 index, int32 value

// The longest arguments of a call recorded whole, as it came (all but
// Elapse).
constexpr std::size_t longestWholeArguments() {
  std::size_t longest = 0;
  for (const CallKind& kind : kCallKinds) {
    if (kind.tag != CallTag::Elapse && kind.argumentBytes > longest) longest = kind.argumentBytes;
  }
  return longest;
}
inline constexpr std::size_t kLongestWholeArguments = longestWholeArguments();
// The longest an Elapse record can be: its tag, flags and state, four full
// change lists and a handle record.
inline constexpr std::size_t kLongestElapseRecord =
    1 + kCallKinds[static_cast<std::size_t>(CallTag::Elapse) - 1].argumentBytes + kHandleBytes +
    4 * (2 + kArraySize * kChangeBytes);
static_assert(kCallKinds[static_cast<std::size_t>(CallTag::Elapse) - 1].argumentBytes ==
                  1 + kStateBytes,
              "Elapse's fixed part is its flags and the state");
// The longest a header's texts may be; anything longer is damage.
inline constexpr std::size_t kMaxHeaderText = 4096;

// The 64-bit FNV-1a hash of a file's bytes, to tell builds of a plug-in
// apart.
constexpr std::uint64_t fnv1a64(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

}  // namespace cablog::recording
