// Turns the stream of frames into rows: every N-th frame, or by simulated
// time, is a periodic row; with event rows on, so is a frame after an event.
#pragma once

#include <cstdint>
#include <limits>

#include "logging/event_list.h"
#include "logging/frame_readings.h"
#include "logging/logger.h"

namespace cablog {

// Rows by time: a frame is a periodic row once TIME has moved on by the
// period since the previous one, or has gone back (the host jumped).
constexpr bool periodElapsed(std::int32_t time, std::int32_t lastTime, std::int32_t periodMs) {
  return time < lastTime || std::int64_t{time} - lastTime >= periodMs;
}

// Speed change per second since the previous periodic row, in single
// precision; 0 when no time has passed.
float acceleration(float speed, std::int32_t time, float lastSpeed, std::int32_t lastTime);

// Stores the frame's readings and the derived values, and appends a row. A
// periodic row becomes the reference of the next acceleration; an event row
// leaves the reference alone. Appends nothing when memory runs out; returns
// whether the row was appended.
bool sampleFrame(Logger& logger, const FrameReadings& readings, bool periodic = true);

// Counts the frame down; true for one that may be a row, which the caller
// then hands to lookAtFrame. Never true before Load has set an interval.
// Inline, and before any reading is gathered: most frames end here.
inline bool countFrame(Logger& logger, std::int32_t time) {
  if (logger.sampleInterval <= 0) return false;
  if (--logger.framesToSample <= 0) return true;
  return logger.periodMs > 0 && periodElapsed(time, logger.lastTime, logger.periodMs);
}

// One frame as Elapse hands it to the logger, the only way frames reach it:
// counted down, and when it may be a row, its readings gathered (`gather`
// returns them; never called on the frames the countdown ends) and looked
// at, then a streamed log written when that is due.
void logFrame(Logger& logger, const FrameReadings& readings);
template <typename Gather>
inline void takeFrame(Logger& logger, std::int32_t time, const Gather& gather) {
  if (countFrame(logger, time)) logFrame(logger, gather());
}

// Samples the frame if it is a periodic row, or follows an event while
// event rows are on; then counts down to the next frame to look at. Returns
// whether it appended a row.
bool lookAtFrame(Logger& logger, const FrameReadings& readings);

// With event rows on, the next frame is looked at whatever the countdown
// says; the frames the countdown had still to go after it are kept.
inline void lookAtNextFrame(Logger& logger) {
  if (!logger.eventRows || logger.framesToSample <= 1) return;
  logger.framesAfterEventLook = logger.framesToSample - 1;
  logger.framesToSample = 1;
}

// Records an event for the next row's EVENTS cell.
inline void noteEvent(Logger& logger, LogEvent event) {
  logger.events.add(event);
  lookAtNextFrame(logger);
}
inline void noteEvent(Logger& logger, LogEvent event, std::int32_t number) {
  logger.events.add(event, number);
  lookAtNextFrame(logger);
}

}  // namespace cablog
