#include "logging/clock_text.h"

namespace cablog {
namespace {

char* writeDigits(char* out, std::uint32_t value, int width) {
  char digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int i = count; i < width; ++i) *out++ = '0';
  while (count > 0) *out++ = digits[--count];
  return out;
}

}  // namespace

std::size_t formatClockTime(std::int32_t milliseconds, char* out) {
  char* p = out;
  // Widen before negating: the magnitude of the smallest int32 does not fit one.
  std::int64_t t = milliseconds;
  if (t < 0) {
    *p++ = '-';
    t = -t;
  }
  const auto magnitude = static_cast<std::uint32_t>(t);
  p = writeDigits(p, magnitude / 3600000, 2);
  *p++ = ':';
  p = writeDigits(p, magnitude / 60000 % 60, 2);
  *p++ = ':';
  p = writeDigits(p, magnitude / 1000 % 60, 2);
  *p++ = '.';
  p = writeDigits(p, magnitude % 1000, 3);
  return static_cast<std::size_t>(p - out);
}

}  // namespace cablog
