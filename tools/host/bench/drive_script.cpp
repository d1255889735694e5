#include "drive_script.h"

#include <fstream>
#include <sstream>
#include <utility>

#include "command_line.h"
#include "host_error.h"
#include "script_line.h"

namespace host {

namespace {

// Fills `event` from the words after the time; false for "end". Notches are
// checked against the train once the whole script is read.
bool readAction(const ScriptLine& line, const std::vector<std::string_view>& words,
                TimedAction& event) {
  const std::string_view name = words[1];
  if (name == "end") {
    line.expectCount(words, 2, 0, "no values");
    return false;
  }
  if (name == "power" || name == "brake") {
    line.expectCount(words, 2, 1, "one notch");
    event.action = name == "power" ? Action::kPower : Action::kBrake;
    event.value = line.anyWhole(words[2], name == "power" ? "power notch" : "brake notch");
  } else if (name == "reverser") {
    line.expectCount(words, 2, 1, "one position (-1, 0 or 1)");
    event.action = Action::kReverser;
    event.value = line.whole(words[2], -1, 1, "reverser position");
  } else if (name == "signal") {
    line.expectCount(words, 2, 1, "one aspect");
    event.action = Action::kSignal;
    event.value = line.anyWhole(words[2], "signal aspect");
  } else if (name == "beacon") {
    event.action = Action::kBeacon;
    event.beacon = line.beacon(words, 2);
  } else if (name == "doors") {
    line.expectCount(words, 2, 1, "'open' or 'close'");
    if (words[2] == "open") {
      event.action = Action::kDoorOpen;
    } else if (words[2] == "close") {
      event.action = Action::kDoorClose;
    } else {
      line.fail("doors '" + std::string(words[2]) + "': expected 'open' or 'close'");
    }
  } else if (name == "keydown" || name == "keyup" || name == "horn") {
    line.expectCount(words, 2, 1, "one number");
    event.action = name == "keydown" ? Action::kKeyDown
                   : name == "keyup" ? Action::kKeyUp
                                     : Action::kHorn;
    event.value = line.anyWhole(words[2], "number");
  } else {
    line.fail("unknown action '" + std::string(name) +
              "' (known: power, brake, reverser, signal, beacon, doors, keydown, keyup, horn, "
              "end; untimed lines: vehicle, initialize, start, line, at, expect)");
  }
  return true;
}

VehicleSpec readVehicle(const ScriptLine& line, const std::vector<std::string_view>& words) {
  line.expectCount(words, 1, 5,
                   "five numbers (brake notches, power notches, notch 3, notch 4, cars)");
  constexpr std::int32_t kMost = 1000;
  VehicleSpec vehicle{};
  vehicle.brakeNotches = line.whole(words[1], 1, kMost, "brake notches");
  vehicle.powerNotches = line.whole(words[2], 1, kMost, "power notches");
  vehicle.notch3 = line.whole(words[3], 0, vehicle.brakeNotches + 1, "notch 3");
  vehicle.notch4 = line.whole(words[4], 0, vehicle.brakeNotches + 1, "notch 4");
  vehicle.cars = line.whole(words[5], 1, kMost, "cars");
  return vehicle;
}

std::string secondsText(std::int64_t ms) {
  return std::to_string(ms / 1000) + "." + std::to_string(1000 + ms % 1000).substr(1) + " s";
}

// What can only be checked once every line is read: notches against the
// train, times against the end, locations against the line's ends.
void checkWhole(const Script& script) {
  for (const TimedAction& event : script.actions) {
    const ScriptLine line(script.source, event.line);
    if (event.action == Action::kPower) {
      line.whole(std::to_string(event.value), 0, script.vehicle.powerNotches, "power notch");
    } else if (event.action == Action::kBrake) {
      line.whole(std::to_string(event.value), 0, script.vehicle.brakeNotches + 1, "brake notch");
    }
  }
  const auto where = [](double location) {
    std::ostringstream text;
    text << location << " m";
    return text.str();
  };
  const auto onLine = [&](const ScriptLine& line, double location) {
    if (script.route.line && !script.route.line->contains(location)) {
      line.fail("location " + where(location) + " is beyond the line (" +
                where(script.route.line->from) + " to " + where(script.route.line->to) +
                "); it can never be reached");
    }
  };
  for (const RouteItem& item : script.route.items) {
    onLine(ScriptLine(script.source, item.line), item.location);
  }
  for (const Expectation& e : script.expectations) {
    const ScriptLine line(script.source, e.line);
    for (double location : locationsOf(e)) onLine(line, location);
    if ((e.span == Span::kAtTime || e.span == Span::kFromTime) && e.timeMs > script.endMs) {
      line.fail("time " + secondsText(e.timeMs) + " is after the drive's end at " +
                secondsText(script.endMs) + "; it can never be checked");
    }
  }
}

}  // namespace

namespace {

// Reads a script line by line, remembering what must be said at most once.
class ScriptReader {
 public:
  ScriptReader(const std::string& source, const VehicleSpec& vehicle) {
    script_.source = source;
    script_.vehicle = vehicle;
  }

  void read(const ScriptLine& line, const std::vector<std::string_view>& words) {
    if (!readUntimed(line, words)) readTimed(line, words);
  }
  Script finish();

 private:
  // Untimed lines, each said at most once where that matters.
  void once(const ScriptLine& line, std::string_view word, int& seen) const {
    if (seen != 0) {
      line.fail("'" + std::string(word) + "' was set already on line " + std::to_string(seen));
    }
    seen = line.number();
  }
  bool readUntimed(const ScriptLine& line, const std::vector<std::string_view>& words);
  void readTimed(const ScriptLine& line, const std::vector<std::string_view>& words);

  Script script_;
  bool ended_ = false;
  bool anyAction_ = false;
  int startLine_ = 0;
  int vehicleLine_ = 0;
  int initializeLine_ = 0;
  int lineLine_ = 0;
};

bool ScriptReader::readUntimed(const ScriptLine& line, const std::vector<std::string_view>& words) {
  const std::string_view word = words[0];
  if (word == "vehicle") {
    once(line, word, vehicleLine_);
    script_.vehicle = readVehicle(line, words);
  } else if (word == "initialize") {
    once(line, word, initializeLine_);
    line.expectCount(words, 1, 1, "one number");
    script_.initializeWith = line.anyWhole(words[1], "Initialize argument");
  } else if (word == "start") {
    once(line, word, startLine_);
    line.expectCount(words, 1, 2, "a location (m) and a speed (km/h)");
    script_.startLocation = line.number(words[1], "location");
    script_.startSpeed = line.number(words[2], "speed");
  } else if (word == "line") {
    once(line, word, lineLine_);
    script_.route.line = parseLineEnds(line, words);
  } else if (word == "at") {
    addRouteItem(line, words, script_.route);
  } else if (word == "expect") {
    script_.expectations.push_back(parseExpectation(line, words, kPanelSize));
  } else {
    return false;
  }
  return true;
}

void ScriptReader::readTimed(const ScriptLine& line, const std::vector<std::string_view>& words) {
  if (words.size() < 2) line.fail("expected a time in seconds and an action");
  if (ended_) line.fail("no timed action may follow 'end'");
  TimedAction action;
  action.line = line.number();
  action.timeMs = line.seconds(words[0]);
  if (action.timeMs > kLongestDriveMs) line.fail("time is past the 24-hour limit");
  if (action.timeMs < script_.endMs) {
    line.fail("time " + std::string(words[0]) + " is earlier than the line before");
  }
  script_.endMs = action.timeMs;
  anyAction_ = true;
  if (readAction(line, words, action)) {
    script_.actions.push_back(action);
  } else {
    ended_ = true;
  }
}

Script ScriptReader::finish() {
  const std::string& source = script_.source;
  if (!anyAction_) throw HostError(source + ": no actions, nothing to drive");
  if (script_.endMs == 0) {
    throw HostError(source + ": the drive ends at 0 s (add a later 'end' line)");
  }
  if (script_.route.line && !script_.route.line->contains(script_.startLocation)) {
    throw HostError(source + ":" + std::to_string(startLine_ != 0 ? startLine_ : lineLine_) +
                    ": the start location lies beyond the line's ends");
  }
  checkWhole(script_);
  return std::move(script_);
}

}  // namespace

Script parseScript(std::string_view text, const std::string& source, const VehicleSpec& vehicle) {
  ScriptReader reader(source, vehicle);
  int lineNumber = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t next = text.find('\n', pos);
    if (next == std::string_view::npos) next = text.size();
    std::string_view content = text.substr(pos, next - pos);
    pos = next + 1;
    ++lineNumber;
    content = content.substr(0, content.find('#'));
    if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
    const std::vector<std::string_view> words = splitWords(content);
    if (!words.empty()) reader.read(ScriptLine(source, lineNumber), words);
  }
  return reader.finish();
}

Script readScript(const std::string& path, const VehicleSpec& vehicle) {
  std::ifstream file(pathOf(path), std::ios::binary);
  if (!file) throw HostError(path + ": cannot open the drive script");
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) throw HostError(path + ": cannot read the drive script");
  return parseScript(text.str(), path, vehicle);
}

}  // namespace host
