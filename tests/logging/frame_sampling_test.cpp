#include "logging/frame_sampling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "tests/support/held_text.h"

namespace cablog {
namespace {

FrameReadings frame(std::int32_t time, float speed) {
  FrameReadings state{};
  state.time = time;
  state.speed = speed;
  return state;
}

void elapse(Logger& logger, const FrameReadings& readings) {
  takeFrame(logger, readings.time, [&] { return readings; });
}

Logger loggerWithInterval(std::int32_t interval, ColumnList columns = {}) {
  Logger logger;
  logger.sampleInterval = interval;
  logger.framesToSample = interval;
  logger.columns = std::move(columns);
  return logger;
}

std::size_t rows(const Logger& logger) {
  const std::string text = testing::heldText(logger.logBuffer);
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(FrameSampling, LogsEveryNthFrame) {
  Logger logger = loggerWithInterval(60);
  for (int call = 1; call <= 120; ++call) {
    elapse(logger, frame(call, 1.0f));
    const std::size_t expected = call < 60 ? 0 : call < 120 ? 1 : 2;
    EXPECT_EQ(rows(logger), expected) << call;
  }
  EXPECT_EQ(rows(logger), 2u);

  Logger everyFrame = loggerWithInterval(1);
  for (int call = 0; call < 5; ++call) elapse(everyFrame, frame(call, 0.0f));
  EXPECT_EQ(rows(everyFrame), 5u);
}

TEST(FrameSampling, BeforeLoadNothingIsRecorded) {
  Logger logger;
  elapse(logger, frame(1000, 5.0f));
  EXPECT_EQ(logger.logBuffer.size(), 0u);
  EXPECT_FALSE(logger.values.find(ValueKey::Speed));
}

TEST(FrameSampling, TheTypicalFrame) {
  Logger logger =
      loggerWithInterval(60, {{ValueKey::TimeHhmmss}, {ValueKey::Speed}, {ValueKey::Bc}});
  FrameReadings state = frame(36000000, 30.0f);
  state.bc = 490.0f;
  for (int call = 0; call < 60; ++call) elapse(logger, state);
  EXPECT_EQ(testing::heldText(logger.logBuffer), "10:00:00.000,30,490,\r\n");
  EXPECT_EQ(logger.values.find(ValueKey::Acceleration), "0.000833333");
}

TEST(FrameSampling, StoresEveryReading) {
  Logger logger = loggerWithInterval(1);
  elapse(logger, {123456.78, 3.6f, 1000, 1.5f, 2.5f, 3.5f, 4.5f, 5.5f, -6.5f});
  const ValueTable& v = logger.values;
  EXPECT_EQ(v.find(ValueKey::Location), "123457");
  EXPECT_EQ(v.find(ValueKey::Speed), "3.6");
  EXPECT_EQ(v.find(ValueKey::Time), "1000");
  EXPECT_EQ(v.find(ValueKey::Bc), "1.5");
  EXPECT_EQ(v.find(ValueKey::Mr), "2.5");
  EXPECT_EQ(v.find(ValueKey::Er), "3.5");
  EXPECT_EQ(v.find(ValueKey::Bp), "4.5");
  EXPECT_EQ(v.find(ValueKey::Sap), "5.5");
  EXPECT_EQ(v.find(ValueKey::Current), "-6.5");
  EXPECT_EQ(v.find(ValueKey::Acceleration), "3.6");
  EXPECT_EQ(v.find(ValueKey::TimeHhmmss), "00:00:01.000");
}

TEST(FrameSampling, ReadingsChangeOnlyOnSampledFrames) {
  Logger logger = loggerWithInterval(2);
  elapse(logger, frame(0, 10.0f));
  elapse(logger, frame(1, 10.0f));
  elapse(logger, frame(2, 20.0f));
  EXPECT_EQ(logger.values.find(ValueKey::Speed), "10");
}

TEST(Acceleration, ComparesWithThePreviousSample) {
  EXPECT_EQ(acceleration(3.6f, 1000, 0.0f, 0), 3.6f);
  EXPECT_EQ(acceleration(50.0f, 7, 10.0f, 7), 0.0f);
  EXPECT_EQ(acceleration(30.0f, 36000000, 0.0f, 0), (30.0f * 1000.0f) / 36000000.0f);
  EXPECT_EQ(acceleration(0.0f, 1000, 3.6f, 0), -3.6f);
}

TEST(Acceleration, ExtremeTimesNeverOverflow) {
  constexpr auto lo = std::numeric_limits<std::int32_t>::min();
  constexpr auto hi = std::numeric_limits<std::int32_t>::max();
  EXPECT_FLOAT_EQ(acceleration(1.0f, hi, 0.0f, lo), 1000.0f / 4294967295.0f);
  EXPECT_FLOAT_EQ(acceleration(1.0f, lo, 0.0f, hi), -1000.0f / 4294967295.0f);
}

}  // namespace
}  // namespace cablog
