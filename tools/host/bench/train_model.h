// A small, deterministic train: enough to give every frame a plausible
// state, not a faithful simulation. It uses only the four basic operations,
// so the Windows and Linux builds compute identical states, frame for frame.
// Electric braking is not modelled: the current is zero while braking.
#pragma once

#include <cstdint>

#include "records.h"

namespace host {

// The train the stand-in drives: 8 service brake notches (9 is the emergency
// brake), 5 power notches, 6 cars.
inline constexpr VehicleSpec kTrain{8, 5, 1, 6, 6};

struct Controls {
  std::int32_t power = 0;
  std::int32_t brake = kTrain.brakeNotches;
  std::int32_t reverser = 0;
};

struct TrainState {
  double location = 0;  // m
  double speed = 0;     // km/h
  double bc = 0;        // kPa
  double mr = 0;
  double er = 0;
  double bp = 0;
  double sap = 0;
  double current = 0;  // A
  bool compressorOn = false;
};

// A train standing still with the brake held as `controls` set it, the
// pipes settled and the main reservoir charged.
TrainState standingTrain(const Controls& controls, const VehicleSpec& vehicle);

// Advances the train by `seconds` under `controls`.
TrainState step(const TrainState& train, const Controls& controls, const VehicleSpec& vehicle,
                double seconds);

// The record handed to the plug-in; `timeMs` is the host's clock.
VehicleState vehicleState(const TrainState& train, std::int32_t timeMs);

}  // namespace host
