// The records a host exchanges with an ATS plug-in, laid out byte for byte on
// the host's side. Deliberately not shared with the plug-in's sources: the
// stand-in checks the binary interface, so it must not inherit the plug-in's
// idea of it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace host {

inline constexpr std::int32_t kInterfaceVersion = 0x00020000;

struct VehicleState {
  double location;    // metres
  float speed;        // km/h, negative when running backwards
  std::int32_t time;  // milliseconds since midnight
  float bc;           // brake cylinder, kPa
  float mr;           // main reservoir, kPa
  float er;           // equalising reservoir, kPa
  float bp;           // brake pipe, kPa
  float sap;          // straight air pipe, kPa
  float current;      // traction current, A
};

struct BeaconData {
  std::int32_t type;
  std::int32_t signal;
  float distance;  // metres to the signal the beacon belongs to
  std::int32_t optional;
};

struct HandleRecord {
  std::int32_t brake;
  std::int32_t power;
  std::int32_t reverser;
  std::int32_t constantSpeed;  // the host's own use; not checked
};

struct VehicleSpec {
  std::int32_t brakeNotches;  // service notches; one more is the emergency brake
  std::int32_t powerNotches;
  // Two further notch numbers for the plug-in's own use.
  std::int32_t notch3;
  std::int32_t notch4;
  std::int32_t cars;
};

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

}  // namespace host
