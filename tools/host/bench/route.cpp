#include "route.h"

#include <algorithm>
#include <fstream>
#include <string>

#include "command_line.h"
#include "host_error.h"

namespace host {

namespace {

const char* kindName(RouteKind kind) {
  switch (kind) {
    case RouteKind::kBeacon:
      return "beacon";
    case RouteKind::kSignal:
      return "signal";
    case RouteKind::kLimit:
      return "limit";
    case RouteKind::kStation:
      return "station";
  }
  return "?";
}

std::string metres(double location) {
  std::string text = std::to_string(location);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text + " m";
}

}  // namespace

void addRouteItem(const ScriptLine& line, const std::vector<std::string_view>& words,
                  Route& route) {
  if (words.size() < 3) line.fail("'at' takes a location and what is there");
  RouteItem item;
  item.line = line.number();
  item.location = line.number(words[1], "location");
  const std::string_view what = words[2];
  if (what == "beacon") {
    item.kind = RouteKind::kBeacon;
    item.beacon = line.beacon(words, 3);
  } else if (what == "signal") {
    if (words.size() > 4) line.fail("'signal' takes at most one aspect");
    item.kind = RouteKind::kSignal;
    item.sendsAspect = words.size() == 4;
    if (item.sendsAspect) item.aspect = line.anyWhole(words[3], "signal aspect");
  } else if (what == "station") {
    if (words.size() < 4) line.fail("'station' takes a name");
    item.kind = RouteKind::kStation;
    for (std::size_t i = 3; i < words.size(); ++i) {
      item.name += (i > 3 ? " " : "") + std::string(words[i]);
    }
  } else if (what == "limit") {
    line.expectCount(words, 3, 1, "one speed in km/h");
    item.kind = RouteKind::kLimit;
    item.limitKmh = line.number(words[3], "speed limit");
    if (item.limitKmh <= 0) line.fail("speed limit " + std::string(words[3]) + " is not above 0");
  } else {
    line.fail("unknown thing on the line '" + std::string(what) +
              "' (known: beacon, signal, limit, station)");
  }
  for (const RouteItem& other : route.items) {
    if (other.kind == item.kind && other.location == item.location) {
      line.fail(std::string("a ") + kindName(item.kind) + " at " + metres(item.location) +
                " already (line " + std::to_string(other.line) + ")");
    }
  }
  const auto after = std::upper_bound(
      route.items.begin(), route.items.end(), item.location,
      [](double location, const RouteItem& placed) { return location < placed.location; });
  route.items.insert(after, item);
}

LineEnds parseLineEnds(const ScriptLine& line, const std::vector<std::string_view>& words) {
  line.expectCount(words, 1, 2, "the locations of its two ends");
  const LineEnds ends{line.number(words[1], "line end"), line.number(words[2], "line end")};
  if (!(ends.from < ends.to)) line.fail("the line's first end must lie below its second");
  return ends;
}

bool passes(double from, double to, double location) {
  return (from < location && location <= to) || (to < location && location <= from);
}

std::vector<const RouteItem*> passedItems(const Route& route, double from, double to) {
  std::vector<const RouteItem*> passed;
  for (const RouteItem& item : route.items) {
    if (item.kind == RouteKind::kLimit || item.kind == RouteKind::kStation) continue;
    if (item.kind == RouteKind::kSignal && !item.sendsAspect) continue;
    if (passes(from, to, item.location)) passed.push_back(&item);
  }
  if (to < from) std::reverse(passed.begin(), passed.end());
  return passed;
}

Route readRouteFile(const std::string& path) {
  std::ifstream file(pathOf(path), std::ios::binary);
  if (!file) throw HostError(path + ": cannot open the route file");
  Route route;
  int number = 0;
  int lineLine = 0;
  for (std::string text; std::getline(file, text);) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    const ScriptLine line(path, ++number);
    const std::vector<std::string_view> words =
        splitWords(std::string_view(text).substr(0, text.find('#')));
    if (words.empty()) continue;
    if (words[0] == "at") {
      addRouteItem(line, words, route);
    } else if (words[0] == "line" && lineLine == 0) {
      route.line = parseLineEnds(line, words);
      lineLine = number;
    } else {
      line.fail(words[0] == "line" ? "'line' was set already on line " + std::to_string(lineLine)
                                   : "only 'line' and 'at' lines belong in a route file");
    }
  }
  for (const RouteItem& item : route.items) {
    if (route.line && !route.line->contains(item.location)) {
      ScriptLine(path, item.line).fail(metres(item.location) + " is beyond the line's ends");
    }
  }
  return route;
}

std::optional<double> limitAt(const Route& route, double location) {
  std::optional<double> limit;
  for (const RouteItem& item : route.items) {
    if (item.location > location) break;
    if (item.kind == RouteKind::kLimit) limit = item.limitKmh;
  }
  return limit;
}

}  // namespace host
