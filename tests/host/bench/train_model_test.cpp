#include "train_model.h"

#include <gtest/gtest.h>

namespace host {
namespace {

constexpr double kFrame = 1.0 / 60;

TrainState run(TrainState train, const Controls& controls, double seconds) {
  for (double t = 0; t < seconds; t += kFrame) train = step(train, controls, kTrain, kFrame);
  return train;
}

TEST(TrainModel, StandsStillWithTheBrakeOnOrNoDirection) {
  const Controls cases[] = {{5, 8, 1}, {5, 0, 0}, {0, 0, 1}};
  for (const Controls& controls : cases) {
    const TrainState train = run(standingTrain(Controls{}, kTrain), controls, 30);
    EXPECT_EQ(train.speed, 0.0) << controls.power << " " << controls.brake;
    EXPECT_EQ(train.location, 0.0);
  }
}

TEST(TrainModel, PowerMovesTheTrainTheWayTheReverserPoints) {
  const TrainState forward = run(standingTrain(Controls{}, kTrain), {5, 0, 1}, 20);
  EXPECT_GT(forward.speed, 35.0);
  EXPECT_LT(forward.speed, 60.0);
  EXPECT_GT(forward.location, 100.0);
  EXPECT_GT(forward.current, 0.0);

  const TrainState backward = run(standingTrain(Controls{}, kTrain), {1, 0, -1}, 10);
  EXPECT_LT(backward.speed, 0.0);
  EXPECT_LT(backward.location, 0.0);

  // A lower notch pulls less.
  const TrainState gentle = run(standingTrain(Controls{}, kTrain), {1, 0, 1}, 20);
  EXPECT_LT(gentle.speed, forward.speed);
  EXPECT_LT(gentle.current, forward.current);
}

TEST(TrainModel, BrakingStopsTheTrainWithoutRunningBack) {
  TrainState train = run(standingTrain(Controls{}, kTrain), {5, 0, 1}, 40);
  ASSERT_GT(train.speed, 50.0);
  train = run(train, {0, 8, 1}, 60);
  EXPECT_EQ(train.speed, 0.0);
  EXPECT_EQ(train.current, 0.0);
  EXPECT_NEAR(train.bc, 440.0, 1.0);
  EXPECT_LT(train.bp, 490.0 - 100);
  EXPECT_LT(train.er, 490.0 - 100);
}

TEST(TrainModel, BrakeCylinderLagsBehindTheHandle) {
  const TrainState released = run(standingTrain(Controls{}, kTrain), {0, 0, 0}, 20);
  EXPECT_NEAR(released.bc, 0.0, 0.5);
  EXPECT_NEAR(released.bp, 490.0, 0.5);
  const TrainState halfSecond = run(released, {0, 9, 0}, 0.5);
  EXPECT_GT(halfSecond.bc, 20.0);
  EXPECT_LT(halfSecond.bc, 300.0);
  EXPECT_NEAR(run(halfSecond, {0, 9, 0}, 20).bc, 500.0, 1.0);  // emergency
}

TEST(TrainModel, CompressorKeepsTheMainReservoirBetweenItsLimits) {
  TrainState train = standingTrain(Controls{}, kTrain);
  double lowest = train.mr;
  double highest = train.mr;
  bool pumped = false;
  for (int cycle = 0; cycle < 40; ++cycle) {
    for (const int brake : {0, 8}) {
      for (int frame = 0; frame < 300; ++frame) {
        train = step(train, {0, brake, 0}, kTrain, kFrame);
        lowest = std::min(lowest, train.mr);
        highest = std::max(highest, train.mr);
        pumped = pumped || train.compressorOn;
      }
    }
  }
  EXPECT_TRUE(pumped);
  EXPECT_GT(lowest, 700.0);
  EXPECT_LT(highest, 890.0);
}

}  // namespace
}  // namespace host
