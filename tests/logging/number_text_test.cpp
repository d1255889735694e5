#include "logging/number_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace cablog {
namespace {

std::string written(double value) {
  char out[kNumberTextCapacity];
  return std::string(out, formatNumber(value, out));
}

struct NumberCase {
  double value;
  const char* text;
};

class GeneralNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(GeneralNumber, WritesSixSignificantDigitsAndAThreeDigitExponent) {
  EXPECT_EQ(written(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, GeneralNumber,
    ::testing::Values(NumberCase{0.0, "0"}, NumberCase{-0.0, "-0"}, NumberCase{1.5, "1.5"},
                      NumberCase{123456.7, "123457"}, NumberCase{1234567, "1.23457e+006"},
                      NumberCase{0.0001, "0.0001"}, NumberCase{0.00001, "1e-005"},
                      NumberCase{static_cast<double>(0.1f), "0.1"}, NumberCase{-7.25, "-7.25"},
                      NumberCase{static_cast<double>(999999.5f), "1e+006"},
                      NumberCase{static_cast<double>(999999.4f), "999999"},
                      NumberCase{1234567.891, "1.23457e+006"}, NumberCase{98765.4321, "98765.4"},
                      NumberCase{123456.78, "123457"}, NumberCase{2.5e10, "2.5e+010"},
                      NumberCase{100, "100"}, NumberCase{0.000123, "0.000123"},
                      NumberCase{12345.67, "12345.7"}, NumberCase{1e100, "1e+100"},
                      NumberCase{-1.5e-300, "-1.5e-300"}, NumberCase{1e308, "1e+308"},
                      NumberCase{5e-324, "4.94066e-324"},
                      // An exact tie rounds to the even digit.
                      NumberCase{static_cast<double>(1234.125f), "1234.12"},
                      NumberCase{0.000833333, "0.000833333"}));

TEST(GeneralNumber, NonFiniteValuesHaveAFixedText) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(written(inf), "inf");
  EXPECT_EQ(written(-inf), "-inf");
  EXPECT_EQ(written(std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(written(-std::numeric_limits<double>::quiet_NaN()), "nan");
}

TEST(IntegerText, IsPlainSignedDecimal) {
  char text[kNumberTextCapacity];
  const auto write = [&](std::int32_t v) { return std::string(text, formatInt(v, text)); };
  EXPECT_EQ(write(0), "0");
  EXPECT_EQ(write(5), "5");
  EXPECT_EQ(write(-1), "-1");
  EXPECT_EQ(write(std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(write(std::numeric_limits<std::int32_t>::max()), "2147483647");
}

}  // namespace
}  // namespace cablog
