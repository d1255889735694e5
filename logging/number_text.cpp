#include "logging/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace cablog {
namespace {

// to_chars writes exponents in two digits at least; the log has three.
std::size_t widenExponent(char* text, std::size_t size) {
  const char* e = static_cast<const char*>(std::memchr(text, 'e', size));
  if (e == nullptr) return size;
  const std::size_t digitsAt = static_cast<std::size_t>(e - text) + 2;  // past "e+" or "e-"
  const std::size_t digits = size - digitsAt;
  if (digits >= 3) return size;
  const std::size_t pad = 3 - digits;
  std::memmove(text + digitsAt + pad, text + digitsAt, digits);
  std::memset(text + digitsAt, '0', pad);
  return size + pad;
}

}  // namespace

std::size_t formatNumber(double value, char* out) {
  if (std::isnan(value)) {
    std::memcpy(out, "nan", 3);
    return 3;
  }
  const auto result =
      std::to_chars(out, out + kNumberTextCapacity, value, std::chars_format::general, 6);
  return widenExponent(out, static_cast<std::size_t>(result.ptr - out));
}

std::size_t formatInt(std::int32_t value, char* out) {
  const auto result = std::to_chars(out, out + kNumberTextCapacity, value);
  return static_cast<std::size_t>(result.ptr - out);
}

std::string formatNumber(double value) {
  char text[kNumberTextCapacity];
  return std::string(text, formatNumber(value, text));
}

}  // namespace cablog
