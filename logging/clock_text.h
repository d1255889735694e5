// Host time in milliseconds as clock text, hours unbounded: 100:00:00.000.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cablog {

// Longest text: "-596:31:23.648".
inline constexpr std::size_t kClockTextCapacity = 16;

// A negative time is written as a minus sign and the clock text of its
// magnitude, so -1500 ms reads -00:00:01.500.
std::size_t formatClockTime(std::int32_t milliseconds, char* out);

}  // namespace cablog
