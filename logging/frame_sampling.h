// Turns the stream of frames into rows: every N-th frame is logged.
#pragma once

#include <cstdint>

#include "logging/frame_readings.h"
#include "logging/logger.h"

namespace cablog {

// Speed change per second since the previous sampled frame, in single
// precision; 0 when no time has passed.
float acceleration(float speed, std::int32_t time, float lastSpeed, std::int32_t lastTime);

// Stores the frame's readings and the derived values, and appends a row,
// or none at all when memory runs out.
void sampleFrame(Logger& logger, const FrameReadings& readings);

// Counts the frame; true for every sampleInterval-th one, which the caller
// then samples. Never true before Load has set an interval. Inline, and
// before any reading is gathered: most frames end here.
inline bool countFrame(Logger& logger) {
  if (logger.sampleInterval <= 0) return false;
  ++logger.frameCounter;
  if (--logger.framesToSample > 0) return false;
  logger.framesToSample = logger.sampleInterval;
  return true;
}

}  // namespace cablog
