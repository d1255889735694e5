// What the log keeps from Load to unload: how frames become rows, the values
// and events of the next row, the columns, and the log's text and file. The
// rest of the plug-in's state (the handle echo, the chain, the recorder) is
// Plugin's (plugin/plugin.h).
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
  // One row every sampleInterval frames; 0 until Load, which samples nothing.
  std::int32_t sampleInterval = 0;
  // Rows by simulated time instead: one whenever TIME has moved on by this
  // many milliseconds since the previous periodic row. 0: by frame count.
  std::int32_t periodMs = 0;
  // Frames still to go before the next frame that may be sampled; a
  // countdown keeps division off the per-frame path. An event sets it to 1
  // when it makes a row of its own.
  std::int32_t framesToSample = 0;
  // By frame count, when an event brought the next look forward: the frames
  // from that look to the periodic row the countdown stood at, so that
  // event rows leave the periodic ones where they were. 0: the next look is
  // a periodic row.
  std::int32_t framesAfterEventLook = 0;
  // By time, the first frame after Load is a row: there is none before it to
  // measure the period from.
  bool firstRowDue = false;
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
