#include "drive_script.h"

#include <charconv>
#include <fstream>
#include <limits>
#include <sstream>

#include "host_error.h"

namespace host {

namespace {

std::vector<std::string_view> splitWords(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    const std::size_t start = pos;
    while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') ++pos;
    if (pos > start) words.push_back(line.substr(start, pos - start));
  }
  return words;
}

// Seconds with up to three decimals, read exactly as milliseconds.
bool parseSeconds(std::string_view text, std::int64_t& ms) {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
  if (whole.empty() || whole.size() > 6 || fraction.size() > 3) return false;
  if (point != std::string_view::npos && fraction.empty()) return false;
  std::int64_t seconds = 0;
  for (char c : whole) {
    if (c < '0' || c > '9') return false;
    seconds = seconds * 10 + (c - '0');
  }
  std::int64_t millis = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    const char c = i < fraction.size() ? fraction[i] : '0';
    if (c < '0' || c > '9') return false;
    millis = millis * 10 + (c - '0');
  }
  ms = seconds * 1000 + millis;
  return true;
}

bool parseInt(std::string_view text, std::int32_t& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

bool parseFloat(std::string_view text, float& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  return ec == std::errc() && ptr == end;
}

class LineParser {
 public:
  LineParser(const std::string& source, int line, const VehicleSpec& vehicle)
      : source_(source), line_(line), vehicle_(vehicle) {}

  [[noreturn]] void fail(const std::string& message) const {
    throw HostError(source_ + ":" + std::to_string(line_) + ": " + message);
  }

  void expectValues(const std::vector<std::string_view>& words, std::size_t count,
                    const char* what) const {
    if (words.size() != count + 2) {
      fail("'" + std::string(words[1]) + "' takes " + what + ", found " +
           std::to_string(words.size() - 2) + " value(s)");
    }
  }

  std::int32_t whole(std::string_view word, std::int32_t lowest, std::int32_t highest,
                     const char* what) const {
    std::int32_t value = 0;
    if (!parseInt(word, value))
      fail(std::string(what) + " '" + std::string(word) + "' is not a whole number");
    if (value < lowest || value > highest) {
      fail(std::string(what) + " " + std::to_string(value) + " is outside " +
           std::to_string(lowest) + " to " + std::to_string(highest));
    }
    return value;
  }

  std::int32_t anyWhole(std::string_view word, const char* what) const {
    return whole(word, std::numeric_limits<std::int32_t>::min(),
                 std::numeric_limits<std::int32_t>::max(), what);
  }

  // Fills `event` from the words after the time; false for "end".
  bool action(const std::vector<std::string_view>& words, Event& event) const {
    const std::string_view name = words[1];
    if (name == "end") {
      expectValues(words, 0, "no values");
      return false;
    }
    if (name == "power") {
      expectValues(words, 1, "one notch");
      event.action = Action::kPower;
      event.value = whole(words[2], 0, vehicle_.powerNotches, "power notch");
    } else if (name == "brake") {
      expectValues(words, 1, "one notch");
      event.action = Action::kBrake;
      event.value = whole(words[2], 0, vehicle_.brakeNotches + 1, "brake notch");
    } else if (name == "reverser") {
      expectValues(words, 1, "one position (-1, 0 or 1)");
      event.action = Action::kReverser;
      event.value = whole(words[2], -1, 1, "reverser position");
    } else if (name == "signal") {
      expectValues(words, 1, "one aspect");
      event.action = Action::kSignal;
      event.value = anyWhole(words[2], "signal aspect");
    } else if (name == "beacon") {
      expectValues(words, 4, "type, signal, distance and optional");
      event.action = Action::kBeacon;
      event.beacon.type = anyWhole(words[2], "beacon type");
      event.beacon.signal = anyWhole(words[3], "beacon signal");
      if (!parseFloat(words[4], event.beacon.distance)) {
        fail("beacon distance '" + std::string(words[4]) + "' is not a number");
      }
      event.beacon.optional = anyWhole(words[5], "beacon optional value");
    } else if (name == "doors") {
      expectValues(words, 1, "'open' or 'close'");
      if (words[2] == "open") {
        event.action = Action::kDoorOpen;
      } else if (words[2] == "close") {
        event.action = Action::kDoorClose;
      } else {
        fail("doors '" + std::string(words[2]) + "': expected 'open' or 'close'");
      }
    } else if (name == "keydown" || name == "keyup" || name == "horn") {
      expectValues(words, 1, "one number");
      event.action = name == "keydown" ? Action::kKeyDown
                     : name == "keyup" ? Action::kKeyUp
                                       : Action::kHorn;
      event.value = anyWhole(words[2], "number");
    } else {
      fail("unknown action '" + std::string(name) +
           "' (known: power, brake, reverser, signal, beacon, doors, keydown, keyup, horn, end)");
    }
    return true;
  }

 private:
  const std::string& source_;
  int line_;
  const VehicleSpec& vehicle_;
};

}  // namespace

Script parseScript(std::string_view text, const std::string& source, const VehicleSpec& vehicle) {
  Script script;
  bool ended = false;
  bool anyLine = false;
  int lineNumber = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t next = text.find('\n', pos);
    if (next == std::string_view::npos) next = text.size();
    std::string_view line = text.substr(pos, next - pos);
    pos = next + 1;
    ++lineNumber;

    line = line.substr(0, line.find('#'));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::vector<std::string_view> words = splitWords(line);
    if (words.empty()) continue;

    const LineParser parser(source, lineNumber, vehicle);
    if (words.size() < 2) parser.fail("expected a time in seconds and an action");
    if (ended) parser.fail("nothing may follow 'end'");
    Event event;
    if (!parseSeconds(words[0], event.timeMs)) {
      parser.fail("'" + std::string(words[0]) +
                  "' is not a time in seconds (like 12 or 12.5, at most three decimals)");
    }
    if (event.timeMs > kLongestDriveMs) parser.fail("time is past the 24-hour limit");
    if (event.timeMs < script.endMs) {
      parser.fail("time " + std::string(words[0]) + " is earlier than the line before");
    }
    script.endMs = event.timeMs;
    anyLine = true;
    if (parser.action(words, event)) {
      script.events.push_back(event);
    } else {
      ended = true;
    }
  }
  if (!anyLine) throw HostError(source + ": no actions, nothing to drive");
  if (script.endMs == 0)
    throw HostError(source + ": the drive ends at 0 s (add a later 'end' line)");
  return script;
}

Script readScript(const std::string& path, const VehicleSpec& vehicle) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw HostError(path + ": cannot open the drive script");
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) throw HostError(path + ": cannot read the drive script");
  return parseScript(text.str(), path, vehicle);
}

}  // namespace host
