#include "station_stops.h"

#include <cmath>
#include <cstdio>

namespace host {

std::vector<StationStop> stationStops(const Route& route, const std::vector<double>& stops,
                                      double farthest) {
  std::vector<StationStop> stations;
  for (const RouteItem& item : route.items) {
    if (item.kind != RouteKind::kStation) continue;
    StationStop station{item.name, item.location, std::nullopt, false};
    for (double at : stops) {
      if (std::abs(at - item.location) <= kStationMetres) station.stoppedAt = at;
    }
    station.passed = !station.stoppedAt && farthest >= item.location + kStationMetres;
    stations.push_back(station);
  }
  return stations;
}

std::string stationLine(const StationStop& station) {
  char text[160];
  if (station.stoppedAt) {
    const double error = *station.stoppedAt - station.location;
    std::snprintf(text, sizeof text, ": stopped at %.2f m, %.1f m %s", *station.stoppedAt,
                  std::abs(error), error < 0 ? "short" : "long");
  } else {
    std::snprintf(text, sizeof text, ": %s",
                  station.passed ? "passed without stopping" : "not reached");
  }
  char at[48];
  std::snprintf(at, sizeof at, " (%g m)", station.location);
  return station.name + at + text;
}

}  // namespace host
