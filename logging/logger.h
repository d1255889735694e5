// All lasting state of the plug-in, from Load to unload.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "logging/column_list.h"
#include "logging/event_list.h"
#include "logging/log_buffer.h"
#include "logging/log_stream.h"
#include "logging/value_table.h"

namespace cablog {

struct Logger {
  // Calls of Elapse since Load; 64 bits so that no run length overflows it.
  std::uint64_t frameCounter = 0;
  // One row every sampleInterval frames; 0 until Load, which samples nothing.
  std::int32_t sampleInterval = 0;
  // Rows by simulated time instead: one whenever TIME has moved on by this
  // many milliseconds since the previous periodic row. 0: by frame count.
  std::int32_t periodMs = 0;
  // Frames still to go before the next frame that may be sampled; a
  // countdown keeps division off the per-frame path. An event sets it to 1
  // when it makes a row of its own.
  std::int32_t framesToSample = 0;
  std::int32_t lastTime = 0;  // milliseconds, of the previous periodic row
  float lastSpeed = 0.0f;     // of the previous periodic row
  // A frame after an event makes a row even when it is not a periodic one.
  bool eventRows = false;
  EventList events;  // since the previous row
  std::string logPath;
  LogBuffer logBuffer;
  LogStream stream;  // writes the log as it grows when the settings ask for it
  ValueTable values;
  ColumnList columns;
  // The panel and sound slots the columns name (see plugin_readings.h).
  std::vector<ValueKey> arrayKeys;
};

}  // namespace cablog
