// The clock text of any 32-bit time against a plain computation in 64 bits.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "logging/clock_text.h"

namespace {

std::string expectedText(std::int32_t milliseconds) {
  const long long t = milliseconds;
  const long long magnitude = t < 0 ? -t : t;
  char text[64];
  const int size = std::snprintf(text, sizeof text, "%s%02lld:%02lld:%02lld.%03lld",
                                 t < 0 ? "-" : "", magnitude / 3600000, magnitude / 60000 % 60,
                                 magnitude / 1000 % 60, magnitude % 1000);
  return std::string(text, static_cast<std::size_t>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(std::int32_t)) return 0;
  std::int32_t time;
  std::memcpy(&time, data, sizeof time);
  char text[cablog::kClockTextCapacity];
  const std::size_t length = cablog::formatClockTime(time, text);
  cablog::fuzz::check(length <= cablog::kClockTextCapacity, "text overran its capacity");
  const std::string got(text, length);
  const std::string expected = expectedText(time);
  if (got != expected) cablog::fuzz::fail("clock text differs", got, expected);
  return 0;
}
