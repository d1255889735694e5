// formatNumber against the C library's "%.6g", whose exponent the log widens
// to three digits. Any 8 bytes are tried as a double and any 4 as a float
// widened to double, as setFloat does.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "logging/number_text.h"

namespace {

std::string expectedText(double value) {
  if (std::isnan(value)) return "nan";  // whatever its sign
  char text[64];
  const int size = std::snprintf(text, sizeof text, "%.6g", value);
  std::string result(text, static_cast<std::size_t>(size));
  const std::size_t e = result.find('e');
  if (e != std::string::npos) {
    const std::size_t digits = result.size() - (e + 2);
    if (digits < 3) result.insert(e + 2, 3 - digits, '0');
  }
  return result;
}

void checkValue(double value) {
  char text[cablog::kNumberTextCapacity];
  const std::size_t size = cablog::formatNumber(value, text);
  cablog::fuzz::check(size <= cablog::kNumberTextCapacity, "text overran its capacity");
  const std::string got(text, size);
  const std::string expected = expectedText(value);
  if (got != expected) cablog::fuzz::fail("formatNumber differs from %.6g", got, expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= sizeof(double)) {
    double value;
    std::memcpy(&value, data, sizeof value);
    checkValue(value);
  }
  if (size >= sizeof(float)) {
    float value;
    std::memcpy(&value, data + size - sizeof value, sizeof value);
    checkValue(static_cast<double>(value));
  }
  return 0;
}
