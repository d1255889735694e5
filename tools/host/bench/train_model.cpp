#include "train_model.h"

#include <algorithm>

namespace host {

namespace {

constexpr double kFullServiceKpa = 440;
constexpr double kEmergencyKpa = 500;
constexpr double kChargedPipeKpa = 490;
constexpr double kCompressorOnKpa = 780;
constexpr double kCompressorOffKpa = 880;
constexpr double kCompressorKpaPerSecond = 8;
constexpr double kLeakKpaPerSecond = 0.5;
// Main reservoir air used per kPa of brake cylinder rise.
constexpr double kAirPerBcKpa = 0.05;

constexpr double kTopTractionKmhPerSecond = 2.5;  // at full power, up to kBaseSpeed
constexpr double kBaseSpeedKmh = 40;
constexpr double kFullCurrentA = 480;
constexpr double kFullBrakeKmhPerSecond = 4;

// Time constants, in seconds, of the lags between the brake handle and the air.
constexpr double kSapLag = 0.3;
constexpr double kBcLag = 1.2;
constexpr double kErLag = 0.5;
constexpr double kBpLag = 1.5;

double brakeDemandKpa(std::int32_t brake, const VehicleSpec& vehicle) {
  if (brake <= 0) return 0;
  if (brake > vehicle.brakeNotches) return kEmergencyKpa;
  return kFullServiceKpa * brake / vehicle.brakeNotches;
}

// The equalising reservoir is drawn down as the brake is applied.
double erTargetKpa(double demandKpa) {
  return kChargedPipeKpa - 0.35 * demandKpa;
}

// First-order lag; settles exactly on the target once within a hundredth,
// rather than creeping towards it through ever smaller numbers.
double follow(double value, double target, double lag, double seconds) {
  const double next = value + (target - value) * std::min(1.0, seconds / lag);
  const double gap = next - target;
  return gap > -0.01 && gap < 0.01 ? target : next;
}

double magnitude(double value) {
  return value < 0 ? -value : value;
}

}  // namespace

TrainState standingTrain(const Controls& controls, const VehicleSpec& vehicle) {
  TrainState train;
  const double demand = brakeDemandKpa(controls.brake, vehicle);
  train.sap = demand;
  train.bc = demand;
  train.er = erTargetKpa(demand);
  train.bp = train.er;
  train.mr = kCompressorOffKpa - 50;
  return train;
}

TrainState step(const TrainState& train, const Controls& controls, const VehicleSpec& vehicle,
                double seconds) {
  TrainState next = train;
  const double demand = brakeDemandKpa(controls.brake, vehicle);
  next.sap = follow(train.sap, demand, kSapLag, seconds);
  next.bc = follow(train.bc, next.sap, kBcLag, seconds);
  next.er = follow(train.er, erTargetKpa(demand), kErLag, seconds);
  next.bp = follow(train.bp, next.er, kBpLag, seconds);

  // Main reservoir: the compressor runs between two limits.
  next.mr -= kLeakKpaPerSecond * seconds + std::max(0.0, next.bc - train.bc) * kAirPerBcKpa;
  if (next.mr < kCompressorOnKpa) next.compressorOn = true;
  if (next.mr >= kCompressorOffKpa) next.compressorOn = false;
  if (next.compressorOn) next.mr += kCompressorKpaPerSecond * seconds;

  // Traction only with the brake released and a direction chosen; above the
  // base speed the motors give out in proportion.
  const double speed = magnitude(train.speed);
  const double fade = kBaseSpeedKmh / std::max(kBaseSpeedKmh, speed);
  const bool driving = controls.power > 0 && controls.brake == 0 && controls.reverser != 0;
  const double notchShare = driving ? double(controls.power) / vehicle.powerNotches : 0.0;
  const double traction = kTopTractionKmhPerSecond * notchShare * fade * controls.reverser;
  next.current = kFullCurrentA * notchShare * fade;

  const double resistance = 0.03 + 0.00003 * speed * speed;
  const double braking = kFullBrakeKmhPerSecond * next.bc / kFullServiceKpa;
  const double slowing = (resistance + braking) * seconds;
  double v = train.speed + traction * seconds;
  if (v > 0) {
    v = std::max(0.0, v - slowing);
  } else if (v < 0) {
    v = std::min(0.0, v + slowing);
  }
  next.speed = v;
  next.location = train.location + (train.speed + v) / 2 / 3.6 * seconds;
  return next;
}

VehicleState vehicleState(const TrainState& train, std::int32_t timeMs) {
  return VehicleState{
      train.location,
      static_cast<float>(train.speed),
      timeMs,
      static_cast<float>(train.bc),
      static_cast<float>(train.mr),
      static_cast<float>(train.er),
      static_cast<float>(train.bp),
      static_cast<float>(train.sap),
      static_cast<float>(train.current),
  };
}

}  // namespace host
