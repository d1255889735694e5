// Recorded calls and their values as text, for `show`, the replay's summary
// and its report: integers in decimal, floats in their shortest text that
// reads back to the same bits.
#pragma once

#include <cstdint>
#include <string>

#include "recording_reader.h"

namespace host {

std::string floatText(float value);
std::string doubleText(double value);
// Milliseconds since midnight as hh:mm:ss.mmm (hours beyond 23 as they come).
std::string clockText(std::int32_t ms);
std::string hex64(std::uint64_t value);

// The header in two comment lines.
std::string headerText(const RecordingHeader& header);

// One line for one call; `frame` numbers the Elapse calls from 1.
std::string callText(const RecordedCall& call, std::uint64_t frame);

// What a gap record says, after frame `frame`: "frames F-G were not
// recorded", or the other calls when no frame is missing.
std::string gapText(const RecordedCall& gap, std::uint64_t frame);

}  // namespace host
