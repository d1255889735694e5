// Things on the line, placed by location: beacons, signals, speed limits and
// stations. The host sends a beacon or a signal change when the train's
// front passes its location, in either direction of travel; a limit is never
// sent (a host does not tell plug-ins the line speed) and serves only the
// script's expectations; a station is where the drive reports the stop made.
// The same lines make a route file, which the log viewer reads too.
//
//   line    0 1500              # the line runs from 0 to 1500 m (optional)
//   at 600  beacon 10 0 300 0   # type, signal, distance, optional
//   at 900  signal 0            # the aspect the train sees from here on
//   at 1200 signal              # a signal stands here; no aspect is sent
//   at 0    limit 45            # km/h, from here on in increasing location
//   at 1450 station Platform 2  # a stop target
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records.h"
#include "script_line.h"

namespace host {

enum class RouteKind { kBeacon, kSignal, kLimit, kStation };

struct RouteItem {
  double location = 0;  // m
  RouteKind kind = RouteKind::kBeacon;
  std::int32_t aspect = 0;  // kSignal
  bool sendsAspect = true;  // kSignal: false where the line only says a signal stands
  std::string name;         // kStation
  BeaconData beacon{};      // kBeacon
  double limitKmh = 0;      // kLimit
  int line = 0;             // where the script placed it
};

// The stretch of line the drive may use; a train whose front leaves it ends
// the drive, as a buffer stop would.
struct LineEnds {
  double from = 0;
  double to = 0;
  bool contains(double location) const { return location >= from && location <= to; }
};

struct Route {
  std::vector<RouteItem> items;  // ordered by location, then by script line
  std::optional<LineEnds> line;  // none: the line has no ends
};

// Reads an "at LOCATION ..." line (`words` starts with "at") into `route`.
// Two items of one kind at one location are refused, naming both lines.
void addRouteItem(const ScriptLine& line, const std::vector<std::string_view>& words, Route& route);

// Reads a "line FROM TO" line.
LineEnds parseLineEnds(const ScriptLine& line, const std::vector<std::string_view>& words);

// Reads a route file: "line" and "at" lines only. Throws HostError naming
// the file and line.
Route readRouteFile(const std::string& path);

// Whether the front, moving from `from` to `to`, passes `location`: on
// arriving at it in increasing location, on leaving it behind in decreasing
// location, so that a train standing exactly on it passes it once.
bool passes(double from, double to, double location);

// The beacons and signal aspects the front passes on its way from `from` to `to`,
// in the order it meets them. An item is met on arriving at its location in
// increasing location, and on leaving it behind in decreasing location, so
// that a train standing exactly on it meets it once.
std::vector<const RouteItem*> passedItems(const Route& route, double from, double to);

// The limit in force at `location`: the last one placed at or before it.
std::optional<double> limitAt(const Route& route, double location);

}  // namespace host
