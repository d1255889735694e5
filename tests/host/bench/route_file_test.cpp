#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "host_error.h"
#include "route.h"
#include "station_stops.h"

namespace host {
namespace {

std::string routeFile(const std::string& text) {
  const std::string path = ::testing::TempDir() + "route_file_test.txt";
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string errorOf(const std::string& text) {
  try {
    readRouteFile(routeFile(text));
  } catch (const HostError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(RouteFile, ReadsTheLinesTheViewerReads) {
  const Route route = readRouteFile(
      routeFile("line 0 3000\r\nat 2660 station Platform 2  # the stop\r\nat 0 limit 65\r\n"
                "at 2700 signal\r\nat 900 signal 2\r\n"));
  ASSERT_EQ(route.items.size(), 4u);
  EXPECT_EQ(route.items[2].name, "Platform 2");
  EXPECT_EQ(*limitAt(route, 100), 65);
  // Only the signal that sets an aspect is sent; stations are passed by.
  const auto passed = passedItems(route, 0, 3000);
  ASSERT_EQ(passed.size(), 1u);
  EXPECT_EQ(passed[0]->aspect, 2);
}

TEST(RouteFile, NamesTheFileLineAndCauseOfEveryMistake) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"10 power 1\n", ":1: only 'line' and 'at' lines belong in a route file"},
      {"\nat 10 station\n", ":2: 'station' takes a name"},
      {"at 10 signal 1 2\n", ":1: 'signal' takes at most one aspect"},
      {"line 0 10\nline 0 20\n", ":2: 'line' was set already on line 1"},
      {"line 0 10\nat 20 station A\n", ":2: 20 m is beyond the line's ends"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_NE(errorOf(c.text).find(c.message), std::string::npos) << errorOf(c.text);
  }
  EXPECT_THROW(readRouteFile(::testing::TempDir() + "no-such-route.txt"), HostError);
}

TEST(StationStops, TheLastStopNearEachStationCounts) {
  Route route;
  for (const auto& [at, name] : {std::pair{1200.0, "A"}, {1450.0, "B"}, {2000.0, "C"}}) {
    RouteItem item;
    item.kind = RouteKind::kStation;
    item.location = at;
    item.name = name;
    route.items.push_back(item);
  }
  std::vector<std::string> lines;
  for (const StationStop& s : stationStops(route, {1000, 1440, 1447.5}, 1500)) {
    lines.push_back(stationLine(s));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"A (1200 m): passed without stopping",
                                             "B (1450 m): stopped at 1447.50 m, 2.5 m short",
                                             "C (2000 m): not reached"}));
}

}  // namespace
}  // namespace host
