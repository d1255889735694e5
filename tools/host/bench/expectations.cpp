#include "expectations.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace host {

namespace {

struct Named {
  std::string_view word;
  Quantity quantity;
};
// In the enumeration's order.
constexpr Named kQuantities[] = {
    {"speed", Quantity::kSpeed},       {"location", Quantity::kLocation},
    {"brake", Quantity::kBrake},       {"power", Quantity::kPower},
    {"reverser", Quantity::kReverser}, {"constant-speed", Quantity::kConstantSpeed},
    {"panel", Quantity::kPanel},       {"sound", Quantity::kSound},
};

struct Operator {
  std::string_view word;
  Comparison comparison;
};
constexpr Operator kOperators[] = {
    {"=", Comparison::kEqual},   {"!=", Comparison::kUnequal}, {"<", Comparison::kBelow},
    {"<=", Comparison::kAtMost}, {">", Comparison::kAbove},    {">=", Comparison::kAtLeast},
};

bool holds(double actual, Comparison comparison, double wanted) {
  switch (comparison) {
    case Comparison::kEqual:
      return actual == wanted;
    case Comparison::kUnequal:
      return actual != wanted;
    case Comparison::kBelow:
      return actual < wanted;
    case Comparison::kAtMost:
      return actual <= wanted;
    case Comparison::kAbove:
      return actual > wanted;
    case Comparison::kAtLeast:
      return actual >= wanted;
  }
  return false;
}

double valueOf(const Expectation& e, const Observation& frame) {
  switch (e.quantity) {
    case Quantity::kSpeed:
      return std::fabs(frame.speed);
    case Quantity::kLocation:
      return frame.location;
    case Quantity::kBrake:
      return frame.handedBack.brake;
    case Quantity::kPower:
      return frame.handedBack.power;
    case Quantity::kReverser:
      return frame.handedBack.reverser;
    case Quantity::kConstantSpeed:
      return frame.handedBack.constantSpeed;
    case Quantity::kPanel:
      return frame.panel[e.index];
    case Quantity::kSound:
      return frame.sound[e.index];
  }
  return 0;
}

std::string number(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string whereAndWhen(const Observation& frame) {
  return number(static_cast<double>(frame.timeMs) / 1000, 3) + " s, " + number(frame.location, 1) +
         " m";
}

}  // namespace

namespace {

// "stop before LOCATION".
Expectation& parseStop(const ScriptLine& line, const std::vector<std::string_view>& words,
                       Expectation& e) {
  if (words.size() != 4 || words[2] != "before")
    line.fail("expected 'expect stop before LOCATION'");
  e.span = Span::kStopBefore;
  e.from = e.to = line.number(words[3], "location");
  return e;
}

// The quantity, and a panel or sound entry's number; returns the next word.
std::size_t parseQuantity(const ScriptLine& line, const std::vector<std::string_view>& words,
                          std::size_t arraySize, Expectation& e) {
  const Named* quantity = nullptr;
  // Scripts written before the field had its name call it "fourth".
  const std::string_view word = words[1] == "fourth" ? "constant-speed" : words[1];
  for (const Named& named : kQuantities) {
    if (word == named.word) quantity = &named;
  }
  if (quantity == nullptr) {
    line.fail(
        "cannot expect '" + std::string(words[1]) +
        "' (known: stop, speed, location, brake, power, reverser, constant-speed, panel, sound)");
  }
  e.quantity = quantity->quantity;
  std::size_t next = 2;
  if (e.quantity == Quantity::kPanel || e.quantity == Quantity::kSound) {
    if (next >= words.size()) line.fail(std::string(words[1]) + " needs an entry number");
    e.index = line.whole(words[next++], 0, static_cast<std::int32_t>(arraySize) - 1, "entry");
  }
  return next;
}

// The comparison and the value: a number, or the limit with an offset.
std::size_t parseValue(const ScriptLine& line, const std::vector<std::string_view>& words,
                       std::size_t next, Expectation& e) {
  if (next + 2 > words.size()) line.fail("expected a comparison (= != < <= > >=) and a value");
  const Operator* op = nullptr;
  for (const Operator& candidate : kOperators) {
    if (words[next] == candidate.word) op = &candidate;
  }
  if (op == nullptr) {
    line.fail("'" + std::string(words[next]) + "' is not a comparison (= != < <= > >=)");
  }
  e.comparison = op->comparison;
  ++next;
  if (words[next] != "limit") {
    e.value = line.number(words[next], "value");
    return next + 1;
  }
  if (e.quantity != Quantity::kSpeed) line.fail("only speed can be held against the limit");
  e.againstLimit = true;
  ++next;
  if (next < words.size() && (words[next] == "+" || words[next] == "-")) {
    if (next + 1 >= words.size())
      line.fail("'limit " + std::string(words[next]) + "' needs a number");
    const double offset = line.number(words[next + 1], "offset");
    e.limitOffset = words[next] == "+" ? offset : -offset;
    next += 2;
  }
  return next;
}

// What follows the value: when or where the expectation is checked.
void parseSpan(const ScriptLine& line, const std::vector<std::string_view>& words, std::size_t next,
               Expectation& e) {
  const std::size_t left = words.size() - next;
  const auto is = [&](std::size_t at, std::string_view word) {
    return next + at < words.size() && words[next + at] == word;
  };
  if (left == 0) {
    e.span = Span::kAlways;
  } else if (left == 2 && (is(0, "at") || is(0, "from"))) {
    e.span = is(0, "at") ? Span::kAtTime : Span::kFromTime;
    e.timeMs = line.seconds(words[next + 1]);
  } else if (left == 4 && is(0, "between") && is(2, "and")) {
    e.span = Span::kBetween;
    e.from = line.number(words[next + 1], "location");
    e.to = line.number(words[next + 3], "location");
    if (e.to < e.from) std::swap(e.from, e.to);
  } else if (left == 4 && is(0, "after") && is(2, "until") && is(3, "stop")) {
    e.span = Span::kAfterUntilStop;
    e.from = e.to = line.number(words[next + 1], "location");
  } else if (left == 4 && is(0, "within") && is(2, "after")) {
    e.span = Span::kWithinAfter;
    e.timeMs = line.seconds(words[next + 1]);
    e.from = e.to = line.number(words[next + 3], "location");
  } else {
    line.fail(
        "expected nothing, 'at SECONDS', 'from SECONDS', 'between LOCATION and LOCATION', "
        "'after LOCATION until stop' or 'within SECONDS after LOCATION' after the value");
  }
}

}  // namespace

Expectation parseExpectation(const ScriptLine& line, const std::vector<std::string_view>& words,
                             std::size_t arraySize) {
  Expectation e;
  e.line = line.number();
  for (std::string_view word : words) e.text += (e.text.empty() ? "" : " ") + std::string(word);
  if (words.size() < 2) line.fail("'expect' takes what must hold (like: expect brake >= 4 at 30)");
  if (words[1] == "stop") return parseStop(line, words, e);
  const std::size_t next = parseValue(line, words, parseQuantity(line, words, arraySize, e), e);
  parseSpan(line, words, next, e);
  return e;
}

std::vector<double> locationsOf(const Expectation& e) {
  if (e.span == Span::kStopBefore || e.span == Span::kAfterUntilStop ||
      e.span == Span::kWithinAfter) {
    return {e.from};
  }
  if (e.span == Span::kBetween) return {e.from, e.to};
  return {};
}

ExpectationCheck::ExpectationCheck(const std::vector<Expectation>& expectations, std::string source)
    : source_(std::move(source)) {
  for (const Expectation& e : expectations) {
    State state;
    state.expectation = &e;
    states_.push_back(state);
  }
}

void ExpectationCheck::observe(const Observation& frame) {
  for (State& state : states_) check(state, frame);
}

void ExpectationCheck::checkStop(State& state, const Observation& frame) {
  const double x = state.expectation->from;
  const bool crossed = (frame.previousLocation < x && frame.location >= x) ||
                       (frame.previousLocation > x && frame.location <= x);
  if (crossed) {
    state.settled = true;
    state.failures = 1;
    state.firstFailure = "failed at " + whereAndWhen(frame) + ": the front passed " + number(x, 1) +
                         " m at " + number(std::fabs(frame.speed), 1) + " km/h";
  } else if (frame.speed != 0) {
    state.moved = true;
  } else if (state.moved) {
    state.settled = state.checked = true;
  }
}

// Whether `frame` is one to check; settles what it ends.
bool ExpectationCheck::inSpan(State& state, const Observation& frame) {
  const Expectation& e = *state.expectation;
  const bool passing = passes(frame.previousLocation, frame.location, e.from);
  switch (e.span) {
    case Span::kAtTime:
      state.settled = frame.timeMs >= e.timeMs;
      return state.settled;
    case Span::kFromTime:
      return frame.timeMs >= e.timeMs;
    case Span::kBetween:
      return frame.location >= e.from && frame.location <= e.to;
    case Span::kAfterUntilStop:
      state.passed = state.passed || passing;
      // The frame the train stands on is the last one checked.
      state.settled = state.passed && frame.speed == 0;
      return state.passed;
    case Span::kWithinAfter:
      if (!state.passed && passing) state.passedMs = frame.timeMs;
      state.passed = state.passed || passing;
      if (!state.passed || frame.timeMs - state.passedMs <= e.timeMs) return state.passed;
      state.settled = true;
      state.failures = 1;
      state.firstFailure = "failed: no frame within " + number(e.timeMs / 1000.0, 3) +
                           " s after the front passed " + number(e.from, 1) + " m at " +
                           number(state.passedMs / 1000.0, 3) + " s held it (" +
                           std::string(kQuantities[static_cast<int>(e.quantity)].word) + " was " +
                           number(state.lastActual, 1) + " at the last)";
      return false;
    default:
      return true;
  }
}

void ExpectationCheck::check(State& state, const Observation& frame) {
  const Expectation& e = *state.expectation;
  if (state.settled) return;
  if (e.span == Span::kStopBefore) return checkStop(state, frame);
  if (!inSpan(state, frame)) return;
  double wanted = e.value;
  if (e.againstLimit) {
    if (!frame.limit) return;
    wanted = *frame.limit + e.limitOffset;
  }
  state.checked = true;
  const double actual = valueOf(e, frame);
  const bool held = holds(actual, e.comparison, wanted);
  if (e.span == Span::kWithinAfter) {
    // One frame that holds is enough.
    state.settled = state.settled || held;
    state.lastActual = actual;
    if (held) state.failures = 0;
    return;
  }
  if (!held) noteFailure(state, frame, actual, wanted);
}

void ExpectationCheck::noteFailure(State& state, const Observation& frame, double actual,
                                   double wanted) {
  const Expectation& e = *state.expectation;
  if (state.failures++ != 0) return;
  std::string name(kQuantities[static_cast<int>(e.quantity)].word);
  if (e.quantity == Quantity::kPanel || e.quantity == Quantity::kSound) {
    name += " " + std::to_string(e.index);
  }
  // Enough decimals that the value shown differs from the one wanted.
  int decimals = e.quantity <= Quantity::kLocation ? 1 : 0;
  while (decimals > 0 && decimals < 6 && actual != wanted &&
         std::stod(number(actual, decimals)) == wanted) {
    ++decimals;
  }
  state.firstFailure =
      "failed at " + whereAndWhen(frame) + ": " + name + " was " + number(actual, decimals) +
      (e.againstLimit ? " with the limit at " + number(wanted - e.limitOffset, 0) +
                            (e.limitOffset != 0 ? " (" + number(wanted, 1) + " allowed)" : "")
                      : "");
}

std::string ExpectationCheck::whyUnchecked(const State& state, const Observation& last) const {
  const Expectation& e = *state.expectation;
  switch (e.span) {
    case Span::kStopBefore:
      return "failed: the drive ended at " + whereAndWhen(last) + " " +
             (state.moved ? "without a stand (" + number(std::fabs(last.speed), 1) + " km/h)"
                          : "and the train never moved");
    case Span::kBetween:
      return "never checked: the front never came between " + number(e.from, 1) + " and " +
             number(e.to, 1) + " m";
    case Span::kAfterUntilStop:
    case Span::kWithinAfter:
      if (!state.passed) return "never checked: the front never passed " + number(e.from, 1) + " m";
      return "never checked: no frame after the front passed " + number(e.from, 1) +
             " m ran under a speed limit";
    case Span::kAlways:
    case Span::kFromTime:
      if (!e.againstLimit) return {};
      return "never checked: no frame ran under a speed limit";
    default:
      return "never checked: the drive ended at " + whereAndWhen(last);
  }
}

std::vector<std::string> ExpectationCheck::finish(const Observation& last) const {
  std::vector<std::string> messages;
  for (const State& state : states_) {
    const Expectation& e = *state.expectation;
    std::string why;
    if (state.failures > 0) {
      why = state.firstFailure;
      if (state.failures > 1) {
        why += " (and on " + std::to_string(state.failures - 1) + " more frames)";
      }
    } else if (e.span == Span::kWithinAfter && state.passed && !state.settled) {
      why = "failed: the drive ended " + number((last.timeMs - state.passedMs) / 1000.0, 3) +
            " s after the front passed " + number(e.from, 1) + " m, and no frame held it";
    } else if (!state.checked) {
      why = whyUnchecked(state, last);
    }
    if (!why.empty()) {
      messages.push_back(source_ + ":" + std::to_string(e.line) + ": " + e.text + ": " + why);
    }
  }
  return messages;
}

}  // namespace host
