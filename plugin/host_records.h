// The records exchanged with the host, byte for byte as it lays them out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "logging/frame_readings.h"

namespace cablog {

struct VehicleState {
  double location;
  float speed;
  std::int32_t time;  // milliseconds
  float bc;
  float mr;
  float er;
  float bp;
  float sap;
  float current;
};

struct BeaconData {
  std::int32_t type;
  std::int32_t signal;
  float distance;
  std::int32_t optional;
};

struct HandleRecord {
  std::int32_t brake;
  std::int32_t power;
  std::int32_t reverser;
  // The host's constant-speed instruction: 0 from cablog alone, whatever a
  // chained train plug-in returned otherwise.
  std::int32_t constantSpeed;
};

// Passed on to a chained train plug-in as it came; cablog reads none of it.
struct VehicleSpec {
  std::int32_t brakeNotches;
  std::int32_t powerNotches;
  // Two further notch numbers the host passes for a plug-in's own use.
  std::int32_t notch3;
  std::int32_t notch4;
  std::int32_t cars;
};

// The logger's own copy of the readings; the copy is a few register moves.
inline FrameReadings readingsOf(const VehicleState& s) {
  return {s.location, s.speed, s.time, s.bc, s.mr, s.er, s.bp, s.sap, s.current};
}

static_assert(sizeof(VehicleState) == 40);
static_assert(offsetof(VehicleState, location) == 0);
static_assert(offsetof(VehicleState, speed) == 8);
static_assert(offsetof(VehicleState, time) == 12);
static_assert(offsetof(VehicleState, bc) == 16);
static_assert(offsetof(VehicleState, mr) == 20);
static_assert(offsetof(VehicleState, er) == 24);
static_assert(offsetof(VehicleState, bp) == 28);
static_assert(offsetof(VehicleState, sap) == 32);
static_assert(offsetof(VehicleState, current) == 36);

static_assert(sizeof(BeaconData) == 16);
static_assert(offsetof(BeaconData, type) == 0);
static_assert(offsetof(BeaconData, signal) == 4);
static_assert(offsetof(BeaconData, distance) == 8);
static_assert(offsetof(BeaconData, optional) == 12);

static_assert(sizeof(HandleRecord) == 16);
static_assert(offsetof(HandleRecord, brake) == 0);
static_assert(offsetof(HandleRecord, power) == 4);
static_assert(offsetof(HandleRecord, reverser) == 8);
static_assert(offsetof(HandleRecord, constantSpeed) == 12);

static_assert(sizeof(VehicleSpec) == 20);
static_assert(offsetof(VehicleSpec, cars) == 16);

}  // namespace cablog
