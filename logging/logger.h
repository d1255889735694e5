// All lasting state of the plug-in, from Load to unload.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "logging/column_list.h"
#include "logging/log_buffer.h"
#include "logging/log_stream.h"
#include "logging/value_table.h"

namespace cablog {

struct Logger {
  // Calls of Elapse since Load; 64 bits so that no run length overflows it.
  std::uint64_t frameCounter = 0;
  // One row every sampleInterval frames; 0 until Load, which samples nothing.
  std::int32_t sampleInterval = 0;
  // Frames still to go before the next row; a countdown keeps division off
  // the per-frame path.
  std::int32_t framesToSample = 0;
  std::int32_t lastTime = 0;  // milliseconds, of the previous sampled frame
  float lastSpeed = 0.0f;     // of the previous sampled frame
  std::string logPath;
  LogBuffer logBuffer;
  LogStream stream;  // writes the log as it grows when the settings ask for it
  ValueTable values;
  ColumnList columns;
  // The panel and sound slots the columns name (see plugin_readings.h).
  std::vector<ValueKey> arrayKeys;
};

}  // namespace cablog
