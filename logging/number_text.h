// The text form of every number the log holds. Numbers are written as a
// general conversion with six significant digits and an exponent of at least
// three digits (1.23457e+006), the form existing logs already use.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cablog {

// Longest text either writer can produce ("-1.23457e+308", "-2147483648"),
// rounded up so callers can keep a fixed buffer.
inline constexpr std::size_t kNumberTextCapacity = 24;

// Writes `value` by the general-number rule into `out`, which must hold at
// least kNumberTextCapacity bytes; returns the number of bytes written.
// Infinities print as inf and -inf, every NaN as nan.
std::size_t formatNumber(double value, char* out);

// Plain signed decimal: no plus sign, no padding, no grouping.
std::size_t formatInt(std::int32_t value, char* out);

}  // namespace cablog
