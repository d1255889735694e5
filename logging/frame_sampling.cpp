#include "logging/frame_sampling.h"

#include "logging/clock_text.h"
#include "logging/log_rows.h"
#include "logging/log_stream.h"
#include "logging/plugin_readings.h"

namespace cablog {

float acceleration(float speed, std::int32_t time, float lastSpeed, std::int32_t lastTime) {
  // In 64 bits the difference of any two times is exact.
  const std::int64_t dt = std::int64_t{time} - lastTime;
  if (dt == 0) return 0.0f;
  return ((speed - lastSpeed) * 1000.0f) / static_cast<float>(dt);
}

bool lookAtFrame(Logger& logger, const FrameReadings& readings) {
  bool periodic;
  if (logger.periodMs > 0) {
    periodic = logger.firstRowDue || periodElapsed(readings.time, logger.lastTime, logger.periodMs);
    logger.firstRowDue = false;
    // Only an event brings a look before the time does.
    logger.framesToSample = std::numeric_limits<std::int32_t>::max();
  } else {
    periodic = logger.framesAfterEventLook == 0;
    logger.framesToSample = periodic ? logger.sampleInterval : logger.framesAfterEventLook;
  }
  logger.framesAfterEventLook = 0;
  if (periodic || (logger.eventRows && !logger.events.empty())) {
    return sampleFrame(logger, readings, periodic);
  }
  return false;
}

void logFrame(Logger& logger, const FrameReadings& readings) {
  if (!lookAtFrame(logger, readings)) return;
  if (logger.stream.flushSeconds > 0) flushIfDue(logger.stream, logger.logBuffer, logger.logPath);
}

bool sampleFrame(Logger& logger, const FrameReadings& state, bool periodic) {
  const float accel = acceleration(state.speed, state.time, logger.lastSpeed, logger.lastTime);
  if (periodic) {
    logger.lastSpeed = state.speed;
    logger.lastTime = state.time;
  }

  char clock[kClockTextCapacity];
  const std::size_t clockSize = formatClockTime(state.time, clock);

  ValueTable& v = logger.values;
  v.setDouble(ValueKey::Location, state.location);
  v.setFloat(ValueKey::Speed, state.speed);
  v.setInt(ValueKey::Time, state.time);
  v.setFloat(ValueKey::Bc, state.bc);
  v.setFloat(ValueKey::Mr, state.mr);
  v.setFloat(ValueKey::Er, state.er);
  v.setFloat(ValueKey::Bp, state.bp);
  v.setFloat(ValueKey::Sap, state.sap);
  v.setFloat(ValueKey::Current, state.current);
  v.setFloat(ValueKey::Acceleration, accel);
  v.setText(ValueKey::TimeHhmmss, std::string_view(clock, clockSize));
  if (state.plugin != nullptr) storePluginReadings(v, logger.arrayKeys, *state.plugin);
  v.setText(ValueKey::Events, logger.events.cell());
  logger.events.clear();

  // A row that finds no memory for a new block is dropped whole, and the
  // run goes on: the host must not see the failure, and the rows before it
  // are kept.
  const LogBuffer::Mark end = logger.logBuffer.mark();
  try {
    appendDataRow(logger.logBuffer, logger.columns, v);
  } catch (...) {
    logger.logBuffer.rollBack(end);
    return false;
  }
  return true;
}

}  // namespace cablog
