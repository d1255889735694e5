// The stop made at each station of the route, for the drive's report. The
// viewer's debrief measures the same stops from the log, by the same rule.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "route.h"

namespace host {

// A stop within this distance of a station is a stop at it.
inline constexpr double kStationMetres = 50;

struct StationStop {
  std::string name;
  double location = 0;
  std::optional<double> stoppedAt;  // the last stop near it: where the train stood
  bool passed = false;              // ran kStationMetres beyond it without stopping near it
};

// `stops`: where the train came to rest after moving, in order; `farthest`:
// the farthest location the front reached.
std::vector<StationStop> stationStops(const Route& route, const std::vector<double>& stops,
                                      double farthest);

// "Platform 2 (2660 m): stopped at 2657.68 m, 2.3 m short"
std::string stationLine(const StationStop& station);

}  // namespace host
