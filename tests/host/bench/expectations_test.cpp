// Expectations against frames made up by hand: what holds, what fails with
// its first frame and count, and what is never checked.
#include "expectations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive_script.h"
#include "train_model.h"

namespace host {
namespace {

struct Frame {
  std::int64_t ms;
  double location;
  double speed;
  std::int32_t brake;
};

std::vector<std::string> failures(const std::string& expect, const std::vector<Frame>& frames) {
  const Script script = parseScript(expect + "\nat 0 limit 30\n9 end\n", "t.txt", kTrain);
  ExpectationCheck check(script.expectations, script.source);
  std::int32_t panel[kPanelSize] = {};
  Observation seen;
  for (const Frame& f : frames) {
    panel[3] = f.ms >= 2000 ? 1 : 0;
    seen = Observation{f.ms,
                       seen.location,
                       f.location,
                       f.speed,
                       {f.brake, 0, 1, 0},
                       panel,
                       panel,
                       limitAt(script.route, f.location)};
    check.observe(seen);
  }
  return check.finish(seen);
}

TEST(Expectations, ReportTheFirstFailureAndCountTheRest) {
  const std::vector<Frame> run = {
      {1000, 10, 20, 0}, {2000, 50, 35, 2}, {3000, 90, 31, 4}, {4000, 95, 0, 8}, {5000, 95, 0, 8}};
  const struct {
    const char* expect;
    const char* failure;  // empty: holds
  } cases[] = {
      {"expect stop before 100", ""},
      {"expect stop before 80", "failed at 3.000 s, 90.0 m: the front passed 80.0 m at 31.0 km/h"},
      {"expect stop before 200", ""},
      {"expect brake >= 2 between 40 and 100", ""},
      {"expect brake >= 4 between 40 and 100", "failed at 2.000 s, 50.0 m: brake was 2"},
      {"expect brake > 0 between 200 and 300", "never checked: the front never came between"},
      {"expect panel 3 = 1 at 2", ""},
      {"expect panel 3 = 1 from 1.5", ""},
      {"expect panel 3 = 1 at 1", "failed at 1.000 s, 10.0 m: panel 3 was 0"},
      {"expect speed <= limit", "speed was 35.0 with the limit at 30 (and on 1 more frames)"},
      {"expect location < 95", "failed at 4.000 s, 95.0 m: location was 95.0 (and on 1 more"},
      {"expect constant-speed = 0", ""},
      {"expect fourth = 1", "failed at 1.000 s, 10.0 m: constant-speed was 0"},
      {"expect speed <= limit + 5", ""},
      {"expect speed <= limit + 4", "speed was 35.0 with the limit at 30 (34.0 allowed)"},
      {"expect speed <= limit - 5", "at 2.000 s, 50.0 m: speed was 35.0 with the limit at 30 "
                                    "(25.0 allowed) (and on 1 more frames)"},
      {"expect brake >= 4 after 60 until stop", ""},
      {"expect brake >= 8 after 60 until stop", "failed at 3.000 s, 90.0 m: brake was 4"},
      {"expect brake = 2 after 40 until stop", "failed at 3.000 s, 90.0 m: brake was 4 (and on 1"},
      {"expect brake > 0 after 200 until stop", "never checked: the front never passed 200.0 m"},
      {"expect brake >= 8 within 1 after 60", ""},
      {"expect brake >= 8 within 0.999 after 60",
       "failed: no frame within 0.999 s after the front passed 60.0 m at 3.000 s held it "
       "(brake was 4.0 at the last)"},
      {"expect brake >= 9 within 5 after 60",
       "failed: the drive ended 2.000 s after the front passed 60.0 m, and no frame held it"},
      {"expect brake >= 8 within 2 after 200", "never checked: the front never passed 200.0 m"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expect);
    const std::vector<std::string> found = failures(c.expect, run);
    if (*c.failure == '\0') {
      EXPECT_TRUE(found.empty()) << found[0];
    } else {
      ASSERT_EQ(found.size(), 1u);
      EXPECT_EQ(found[0].rfind(std::string("t.txt:1: ") + c.expect + ": ", 0), 0u) << found[0];
      EXPECT_NE(found[0].find(c.failure), std::string::npos) << found[0];
    }
  }
  // Passing a location backwards counts as well, on leaving it behind.
  const std::vector<Frame> back = {
      {1000, -100, -20, 0}, {2000, -150, -20, 0}, {3000, -151, -20, 8}};
  EXPECT_TRUE(failures("expect brake = 8 within 0 after -150", back).empty());
  EXPECT_EQ(failures("expect brake = 8 within 0 after -149", back).size(), 1u);
  // A train that never moved, or never stood, did not come to a stand.
  EXPECT_NE(failures("expect stop before 100", {{1000, 0, 0, 0}})[0].find("never moved"),
            std::string::npos);
  EXPECT_NE(failures("expect stop before 100", {{1000, 5, 9, 0}})[0].find("without a stand"),
            std::string::npos);
}

}  // namespace
}  // namespace host
