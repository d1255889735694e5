// A plug-in that fails: it echoes the handles like a logger, then fails in
// the Elapse of the frame at 1 s in the way CABLOG_FAULT picks: a null write
// (the default), a C++ exception, abort(), an endless loop or a stack
// overflow. Each build is one of the faults a train plug-in may have.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "train_plugin.h"

#define CABLOG_FAULT_NULL_WRITE 0
#define CABLOG_FAULT_THROW 1
#define CABLOG_FAULT_ABORT 2
#define CABLOG_FAULT_HANG 3
#define CABLOG_FAULT_OVERFLOW 4
#ifndef CABLOG_FAULT
#define CABLOG_FAULT CABLOG_FAULT_NULL_WRITE
#endif

namespace {
HandleRecord echo;
// Read at run time, so that the compiler cannot see the fault coming.
volatile std::intptr_t nowhere = 0;
volatile int forever = 1;

// Each call keeps a page of its own on the stack until the stack runs out.
int deeper(int depth) {
  volatile char page[4096];
  page[depth % sizeof page] = static_cast<char>(depth);
  if (depth < 0) return 0;  // never, but the compiler cannot know
  return deeper(depth + 1) + page[0];
}

void fail() {
  switch (CABLOG_FAULT) {
    case CABLOG_FAULT_THROW:
      throw std::runtime_error("the limit table is empty");
    case CABLOG_FAULT_ABORT:
      std::abort();
    case CABLOG_FAULT_HANG:
      while (forever != 0) {
      }
      break;
    case CABLOG_FAULT_OVERFLOW:
      echo.power = deeper(static_cast<int>(nowhere));
      break;
    default:
      *reinterpret_cast<volatile int32_t*>(nowhere) = 1;
  }
}
}  // namespace

extern "C" {
void Load() {}
void Dispose() {}
int32_t GetPluginVersion() {
  return TRAIN_PLUGIN_VERSION;
}
void SetVehicleSpec(VehicleSpec) {}
void Initialize(int32_t) {}
HandleRecord Elapse(VehicleState state, int32_t*, int32_t*) {
  if (state.time >= 36001000) fail();
  return echo;
}
void SetPower(int32_t notch) {
  echo.power = notch;
}
void SetBrake(int32_t notch) {
  echo.brake = notch;
}
void SetReverser(int32_t position) {
  echo.reverser = position;
}
void KeyDown(int32_t) {}
void KeyUp(int32_t) {}
void HornBlow(int32_t) {}
void DoorOpen() {}
void DoorClose() {}
void SetSignal(int32_t) {}
void SetBeaconData(BeaconData) {}
}
