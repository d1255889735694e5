#include "script_line.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "host_error.h"

namespace host {

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

void ScriptLine::fail(const std::string& message) const {
  throw HostError(where() + ": " + message);
}

std::int64_t ScriptLine::seconds(std::string_view text) const {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
  bool good = !whole.empty() && whole.size() <= 6 && fraction.size() <= 3 &&
              (point == std::string_view::npos || !fraction.empty());
  std::int64_t ms = 0;
  for (std::size_t i = 0; good && i < whole.size() + 3; ++i) {
    const char c = i < whole.size()                     ? whole[i]
                   : i - whole.size() < fraction.size() ? fraction[i - whole.size()]
                                                        : '0';
    good = c >= '0' && c <= '9';
    ms = ms * 10 + (c - '0');
  }
  if (!good) {
    fail("'" + std::string(text) +
         "' is not a time in seconds (like 12 or 12.5, at most three decimals)");
  }
  return ms;
}

std::int32_t ScriptLine::whole(std::string_view word, std::int32_t lowest, std::int32_t highest,
                               const char* what) const {
  std::int32_t value = 0;
  const char* end = word.data() + word.size();
  const auto [ptr, ec] = std::from_chars(word.data(), end, value);
  if (ec != std::errc() || ptr != end)
    fail(std::string(what) + " '" + std::string(word) + "' is not a whole number");
  if (value < lowest || value > highest) {
    fail(std::string(what) + " " + std::to_string(value) + " is outside " + std::to_string(lowest) +
         " to " + std::to_string(highest));
  }
  return value;
}

std::int32_t ScriptLine::anyWhole(std::string_view word, const char* what) const {
  return whole(word, std::numeric_limits<std::int32_t>::min(),
               std::numeric_limits<std::int32_t>::max(), what);
}

double ScriptLine::number(std::string_view word, const char* what) const {
  double value = 0;
  const char* end = word.data() + word.size();
  const auto [ptr, ec] = std::from_chars(word.data(), end, value, std::chars_format::fixed);
  if (ec != std::errc() || ptr != end || !std::isfinite(value))
    fail(std::string(what) + " '" + std::string(word) + "' is not a number");
  return value;
}

void ScriptLine::expectCount(const std::vector<std::string_view>& words, std::size_t skip,
                             std::size_t count, const char* what) const {
  if (words.size() != skip + count) {
    fail("'" + std::string(words[skip - 1]) + "' takes " + what + ", found " +
         std::to_string(words.size() - skip) + " value(s)");
  }
}

BeaconData ScriptLine::beacon(const std::vector<std::string_view>& words, std::size_t skip) const {
  expectCount(words, skip, 4, "type, signal, distance and optional");
  BeaconData beacon;
  beacon.type = anyWhole(words[skip], "beacon type");
  beacon.signal = anyWhole(words[skip + 1], "beacon signal");
  beacon.distance = static_cast<float>(number(words[skip + 2], "beacon distance"));
  beacon.optional = anyWhole(words[skip + 3], "beacon optional value");
  return beacon;
}

}  // namespace host
