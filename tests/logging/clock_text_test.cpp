#include "logging/clock_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace cablog {
namespace {

std::string clockText(std::int32_t ms) {
  char text[kClockTextCapacity];
  return std::string(text, formatClockTime(ms, text));
}

TEST(ClockText, FillsEveryFieldAndNeverWrapsHours) {
  const struct {
    std::int32_t ms;
    const char* text;
  } cases[] = {
      {0, "00:00:00.000"},
      {3723004, "01:02:03.004"},
      {36000000, "10:00:00.000"},
      {86399999, "23:59:59.999"},
      {86400000, "24:00:00.000"},
      {360000000, "100:00:00.000"},
      {std::numeric_limits<std::int32_t>::max(), "596:31:23.647"},
      {-1500, "-00:00:01.500"},
      {-3723004, "-01:02:03.004"},
      {std::numeric_limits<std::int32_t>::min(), "-596:31:23.648"},
  };
  for (const auto& c : cases) EXPECT_EQ(clockText(c.ms), c.text) << c.ms;
}

}  // namespace
}  // namespace cablog
