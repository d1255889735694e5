// The sixteen calls a host makes into an ATS plug-in: the one list of them,
// in the order of their recording tags. Everything that repeats the calls is
// made from it: the entry points cablog calls on a chained module
// (entry_points.h), the recording's tags (recording_format.h), the plug-in's
// reporting calls (plugin.h), the stand-in's module and its replay, and the
// fuzz target's replay; exports.cpp and plugin/exports.txt, which the linker
// takes, are checked against it. Constants only, so that the stand-in, which
// has its own records, may include it.
//
// CABLOG_HOST_CALLS(X) expands X(Name, method, tag, shape) once per call: the
// exported name, the name of the plug-in's member that takes it, the tag of
// its record in a recording, and the shape of its arguments and result.
// A macro, since the list makes declarations and cases, which no function
// can.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cablog {

enum class CallShape : std::uint8_t {
  None,     // void ()
  Version,  // int32 ()
  Int,      // void (int32)
  Vehicle,  // void (vehicle record)
  Beacon,   // void (beacon record)
  Frame,    // handle record (vehicle state, int32 panel[256], int32 sound[256])
};

// The bytes a call's arguments take in a recording; Elapse's fixed part.
constexpr std::size_t recordedArgumentBytes(CallShape shape) {
  switch (shape) {
    case CallShape::Int:
      return 4;
    case CallShape::Vehicle:
      return 20;
    case CallShape::Beacon:
      return 16;
    case CallShape::Frame:
      return 41;
    default:
      return 0;
  }
}

}  // namespace cablog

// clang-format off
#define CABLOG_HOST_CALLS(X)                              \
  X(Load,             load,           1,  None)           \
  X(Dispose,          dispose,        2,  None)           \
  X(GetPluginVersion, pluginVersion,  3,  Version)        \
  X(SetVehicleSpec,   setVehicleSpec, 4,  Vehicle)        \
  X(Initialize,       initialize,     5,  Int)            \
  X(Elapse,           elapse,         6,  Frame)          \
  X(SetPower,         setPower,       7,  Int)            \
  X(SetBrake,         setBrake,       8,  Int)            \
  X(SetReverser,      setReverser,    9,  Int)            \
  X(KeyDown,          keyDown,        10, Int)            \
  X(KeyUp,            keyUp,          11, Int)            \
  X(HornBlow,         hornBlow,       12, Int)            \
  X(DoorOpen,         doorOpen,       13, None)           \
  X(DoorClose,        doorClose,      14, None)           \
  X(SetSignal,        setSignal,      15, Int)            \
  X(SetBeaconData,    setBeaconData,  16, Beacon)
// clang-format on
