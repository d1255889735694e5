#include "options.h"

#include <gtest/gtest.h>

#include "host_error.h"

namespace host {
namespace {

TEST(Options, DefaultsAndEveryOption) {
  const Options none = parseOptions({});
  EXPECT_EQ(none.fps, 60);
  EXPECT_TRUE(none.module.empty());
  EXPECT_TRUE(none.script.empty());

  const Options all =
      parseOptions({"--module", "x/cablog.dll", "--fps", "30", "--workdir", "run", "drive.txt"});
  EXPECT_EQ(all.module, "x/cablog.dll");
  EXPECT_EQ(all.fps, 30);
  EXPECT_EQ(all.workdir, "run");
  EXPECT_EQ(all.script, "drive.txt");
  EXPECT_FALSE(none.realtime);
  EXPECT_EQ(none.crashAtMs, -1);
  const Options crash = parseOptions({"--realtime", "--crash-at", "3.5"});
  EXPECT_TRUE(crash.realtime);
  EXPECT_EQ(crash.crashAtMs, 3500);
  EXPECT_TRUE(parseOptions({"--help"}).help);
  EXPECT_TRUE(parseOptions({"--print-builtin"}).printBuiltin);
  EXPECT_TRUE(parseOptions({"--chained"}).chained);
  EXPECT_FALSE(none.chained);
}

TEST(Options, RejectsWhatItCannotUse) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--fps", "0"}, "--fps '0': expected a whole number from 1 to 1000"},
      {{"--fps", "1001"}, "--fps '1001'"},
      {{"--fps", "6o"}, "--fps '6o'"},
      {{"--module"}, "--module needs a value"},
      {{"--crash-at", "-1"}, "--crash-at '-1': expected seconds of simulated time"},
      {{"--crash-at", "soon"}, "--crash-at 'soon'"},
      {{"--crash-at", "nan"}, "--crash-at 'nan'"},
      {{"--speed", "3"}, "unknown option --speed"},
      {{"a.txt", "b.txt"}, "only one drive script"},
  };
  for (const auto& c : cases) {
    try {
      parseOptions(c.args);
      ADD_FAILURE() << "accepted " << c.message;
    } catch (const UsageError& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace host
