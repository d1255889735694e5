#include "logging/number_text.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstring>

namespace cablog {
namespace {

__extension__ using Uint128 = unsigned __int128;

constexpr std::uint64_t kMantissaMask = (std::uint64_t{1} << 52) - 1;
constexpr int kExponentBias = 1075;  // value = mantissa * 2^(field - kExponentBias)

constexpr std::array<std::uint64_t, 11> kPowersOfTen = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000, 10000000000,
};

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

std::size_t formatGeneral(double value, char* out) {
  const auto result =
      std::to_chars(out, out + kNumberTextCapacity, value, std::chars_format::general, 6);
  return widenExponent(out, static_cast<std::size_t>(result.ptr - out));
}

// mantissa * 2^-shift * 10^power, truncated, and whether the dropped part is
// below, at or above one half (-1, 0, 1). Exact: mantissa < 2^53 and
// 10^power <= 10^10 < 2^34 keep the product below 2^87, and shift < 128.
struct Scaled {
  std::uint64_t whole;
  int half;
};
Scaled scale(std::uint64_t mantissa, int shift, int power) {
  const Uint128 product = Uint128{mantissa} * kPowersOfTen[static_cast<std::size_t>(power)];
  const Uint128 dropped = product & ((Uint128{1} << shift) - 1);
  const Uint128 half = Uint128{1} << (shift - 1);
  return {static_cast<std::uint64_t>(product >> shift), dropped < half ? -1 : dropped > half};
}

// Fixed form of the six significant digits `digits` (100000 to 999999) whose
// first digit stands for 10^exponent, -4 <= exponent <= 5.
std::size_t writeFixed(std::uint32_t digits, int exponent, char* out) {
  int kept = 6;
  while (digits % 10 == 0) {
    digits /= 10;
    --kept;
  }
  char text[6];
  for (int i = kept - 1; i >= 0; --i) {
    text[i] = static_cast<char>('0' + digits % 10);
    digits /= 10;
  }
  char* p = out;
  if (exponent < 0) {
    std::memcpy(p, "0.0000", static_cast<std::size_t>(1 - exponent));
    p += 1 - exponent;
    std::memcpy(p, text, static_cast<std::size_t>(kept));
    return static_cast<std::size_t>(p + kept - out);
  }
  const int whole = exponent + 1;
  if (kept <= whole) {
    std::memcpy(p, text, static_cast<std::size_t>(kept));
    std::memset(p + kept, '0', static_cast<std::size_t>(whole - kept));
    return static_cast<std::size_t>(whole);
  }
  std::memcpy(p, text, static_cast<std::size_t>(whole));
  p[whole] = '.';
  std::memcpy(p + whole + 1, text + whole, static_cast<std::size_t>(kept - whole));
  return static_cast<std::size_t>(kept + 1);
}

}  // namespace

// Most logged values (speeds, pressures, locations, accelerations) print in
// fixed form, and that case is done here in integer arithmetic, exactly,
// without the general conversion's digit generation; every other value goes
// to to_chars.
std::size_t formatNumber(double value, char* out) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const int field = static_cast<int>((bits >> 52) & 0x7ff);
  const std::uint64_t fraction = bits & kMantissaMask;
  if (field == 0x7ff) {
    if (fraction != 0) {
      std::memcpy(out, "nan", 3);
      return 3;
    }
  }
  const std::size_t sign = bits >> 63;
  out[0] = '-';
  char* const body = out + sign;

  // Below 2^-14 (< 1e-4 even after rounding) and from 2^20 (> 1e6) on, the
  // value is in scientific form, or zero, subnormal or infinite.
  if (field < 1023 - 14 || field >= 1023 + 20) {
    if (value == 0.0) {
      body[0] = '0';
      return sign + 1;
    }
    return formatGeneral(value, out);
  }
  const std::uint64_t mantissa = fraction | (std::uint64_t{1} << 52);
  const int binaryExponent = field - 1023;  // value in [2^b, 2^(b+1))
  // floor(b * log10(2)) for the small b here; 10^exponent <= value.
  int exponent = (binaryExponent * 78913) >> 18;
  const int shift = kExponentBias - field;  // 33 to 66
  int power = 5 - exponent;                 // 0 to 10
  Scaled s = scale(mantissa, shift, power);
  if (s.whole >= 1000000) {
    ++exponent;
    --power;
    if (power < 0) return formatGeneral(value, out);
    s = scale(mantissa, shift, power);
  }
  std::uint64_t digits = s.whole;
  if (s.half > 0 || (s.half == 0 && (digits & 1) != 0)) ++digits;
  if (digits == 1000000) {
    digits = 100000;
    ++exponent;
  }
  if (exponent < -4 || exponent > 5) return formatGeneral(value, out);
  return sign + writeFixed(static_cast<std::uint32_t>(digits), exponent, body);
}

std::size_t formatInt(std::int32_t value, char* out) {
  const auto result = std::to_chars(out, out + kNumberTextCapacity, value);
  return static_cast<std::size_t>(result.ptr - out);
}

}  // namespace cablog
