// formatNumber against the C library's "%.6g", the conversion existing logs
// were written with, over many values of every kind. The count can be raised
// for a long run: CABLOG_DIFFERENTIAL_COUNT=100000000 logging_tests
// --gtest_filter='NumberTextDifferential.*'
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>

#include "logging/number_text.h"

namespace cablog {
namespace {

// Some C runtimes print two exponent digits, some three: the log has at
// least three.
std::string widenExponent(std::string text) {
  const std::size_t e = text.find('e');
  if (e == std::string::npos) return text;
  const std::size_t digits = text.size() - (e + 2);
  if (digits < 3) text.insert(e + 2, 3 - digits, '0');
  return text;
}

std::string reference(double value) {
  char text[64];
  const int size = std::snprintf(text, sizeof text, "%.6g", value);
  return widenExponent(std::string(text, static_cast<std::size_t>(size)));
}

std::uint64_t valueCount() {
  if (const char* count = std::getenv("CABLOG_DIFFERENTIAL_COUNT")) {
    return std::strtoull(count, nullptr, 10);
  }
  return 1'000'000;
}

double parse(const std::string& text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// One kind of input: writes a value from the generator's state.
using Source = std::function<double(std::mt19937_64&)>;

double randomDoubleBits(std::mt19937_64& random) {
  return std::bit_cast<double>(random());
}

double randomFloatBits(std::mt19937_64& random) {
  return static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(random())));
}

// Everything a meter reads: from below 1e-5 to above 1e6, any bits below.
double randomFixedRange(std::mt19937_64& random) {
  const std::uint64_t bits = random();
  const std::uint64_t field = 1023 - 18 + (bits >> 58) % 40;
  const double value = std::bit_cast<double>((field << 52) | (bits & ((1ULL << 52) - 1)));
  return (bits >> 57) & 1 ? -value : value;
}

// Within a few units in the last place of a point halfway between two
// six-digit texts, at any decimal exponent; half of them as floats.
double nearRoundingBoundary(std::mt19937_64& random) {
  const std::uint64_t bits = random();
  const auto digits = 100000 + bits % 900000;
  const int exponent = static_cast<int>((bits >> 20) % 80) - 40;
  const double boundary = parse(std::to_string(digits) + "5e" + std::to_string(exponent - 6));
  const int steps = static_cast<int>((bits >> 30) % 7) - 3;
  if ((bits >> 40) & 1 && std::fabs(boundary) < std::numeric_limits<float>::max()) {
    float f = static_cast<float>(boundary);
    for (int i = 0; i < std::abs(steps); ++i) f = std::nextafter(f, steps < 0 ? 0.0f : 1e38f);
    return static_cast<double>(f);
  }
  double d = boundary;
  for (int i = 0; i < std::abs(steps); ++i) d = std::nextafter(d, steps < 0 ? 0.0 : 1e308);
  return d;
}

// Near 10^k, where the exponent and the form change, across the whole range.
double nearPowerOfTen(std::mt19937_64& random) {
  const std::uint64_t bits = random();
  const int exponent = static_cast<int>(bits % 634) - 325;
  const double power = parse("1e" + std::to_string(exponent));
  const int steps = static_cast<int>((bits >> 16) % 9) - 4;
  if ((bits >> 24) & 1 && power < std::numeric_limits<float>::max()) {
    float f = static_cast<float>(power);
    for (int i = 0; i < std::abs(steps); ++i) f = std::nextafter(f, steps < 0 ? 0.0f : 1e38f);
    return static_cast<double>(f);
  }
  double d = power;
  for (int i = 0; i < std::abs(steps); ++i) d = std::nextafter(d, steps < 0 ? 0.0 : 1e308);
  return d;
}

// Exactly halfway between two six-digit texts: a seven-digit integer ending
// in 5, divided by 10^f, is a binary fraction when 5^f divides it.
double exactTie(std::mt19937_64& random) {
  const std::uint64_t bits = random();
  const int places = static_cast<int>(bits % 17) - 6;  // digits after the point
  if (places <= 0) {
    // Seven digits ending in 5, then zeros: exact while below 2^53.
    auto tie = (100000 + (bits >> 8) % 900000) * 10 + 5;
    for (int i = 0; i < -places; ++i) tie *= 10;
    return static_cast<double>(tie);
  }
  std::uint64_t fives = 1;
  for (int i = 0; i < places; ++i) fives *= 5;
  const std::uint64_t lowest = (1'000'000 + fives - 1) / fives;
  const std::uint64_t highest = 9'999'999 / fives;
  std::uint64_t odd = lowest + (bits >> 8) % (highest - lowest + 1);
  if (odd % 2 == 0) odd = odd + 1 <= highest ? odd + 1 : odd - 1;
  return std::ldexp(static_cast<double>(odd), -places);
}

void compareOver(const Source& source, std::uint64_t count, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  int mismatches = 0;
  char text[kNumberTextCapacity];
  for (std::uint64_t i = 0; i < count && mismatches < 10; ++i) {
    const double value = source(random);
    if (std::isnan(value)) continue;  // C writes "-nan" for some; the log never does
    const std::string actual(text, formatNumber(value, text));
    const std::string expected = reference(value);
    if (actual != expected) {
      ++mismatches;
      ADD_FAILURE() << std::hexfloat << value << std::defaultfloat << ": wrote " << actual
                    << ", C writes " << expected;
    }
  }
}

struct Kind {
  const char* name;
  double (*source)(std::mt19937_64&);
  unsigned share;  // of every 16 values
};

constexpr Kind kKinds[] = {
    {"random double bits", randomDoubleBits, 3},
    {"random float bits", randomFloatBits, 3},
    {"fixed-form range", randomFixedRange, 4},
    {"near rounding boundaries", nearRoundingBoundary, 3},
    {"near powers of ten", nearPowerOfTen, 2},
    {"exact ties", exactTie, 1},
};

TEST(NumberTextDifferential, MatchesTheCLibraryOnEveryKindOfValue) {
  const std::uint64_t total = valueCount();
  std::uint64_t seed = 20240601;
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    compareOver(kind.source, total * kind.share / 16, seed++);
  }
}

TEST(NumberTextDifferential, EveryNanIsWrittenTheSameWay) {
  std::mt19937_64 random(7);
  char text[kNumberTextCapacity];
  for (int i = 0; i < 10000; ++i) {
    // Exponent all ones, any non-zero payload, either sign.
    const std::uint64_t payload = (random() & ((1ULL << 52) - 1)) | 1;
    const std::uint64_t sign = random() & (1ULL << 63);
    const double nan = std::bit_cast<double>(sign | (0x7ffULL << 52) | payload);
    ASSERT_EQ(std::string(text, formatNumber(nan, text)), "nan");
  }
}

}  // namespace
}  // namespace cablog
