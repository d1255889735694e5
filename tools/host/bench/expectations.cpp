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

Expectation parseExpectation(const ScriptLine& line, const std::vector<std::string_view>& words,
                             std::size_t arraySize) {
  Expectation e;
  e.line = line.number();
  for (std::string_view word : words) e.text += (e.text.empty() ? "" : " ") + std::string(word);
  if (words.size() < 2) line.fail("'expect' takes what must hold (like: expect brake >= 4 at 30)");

  if (words[1] == "stop") {
    if (words.size() != 4 || words[2] != "before")
      line.fail("expected 'expect stop before LOCATION'");
    e.span = Span::kStopBefore;
    e.from = e.to = line.number(words[3], "location");
    return e;
  }

  std::size_t next = 1;
  const Named* quantity = nullptr;
  // Scripts written before the field had its name call it "fourth".
  const std::string_view word = words[next] == "fourth" ? "constant-speed" : words[next];
  for (const Named& named : kQuantities) {
    if (word == named.word) quantity = &named;
  }
  if (quantity == nullptr) {
    line.fail(
        "cannot expect '" + std::string(words[next]) +
        "' (known: stop, speed, location, brake, power, reverser, constant-speed, panel, sound)");
  }
  e.quantity = quantity->quantity;
  ++next;
  if (e.quantity == Quantity::kPanel || e.quantity == Quantity::kSound) {
    if (next >= words.size()) line.fail(std::string(words[1]) + " needs an entry number");
    e.index = line.whole(words[next++], 0, static_cast<std::int32_t>(arraySize) - 1, "entry");
  }
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
  if (words[next] == "limit") {
    if (e.quantity != Quantity::kSpeed) line.fail("only speed can be held against the limit");
    e.againstLimit = true;
  } else {
    e.value = line.number(words[next], "value");
  }
  ++next;

  const std::size_t left = words.size() - next;
  if (left == 0) {
    e.span = Span::kAlways;
  } else if (left == 2 && (words[next] == "at" || words[next] == "from")) {
    e.span = words[next] == "at" ? Span::kAtTime : Span::kFromTime;
    e.timeMs = line.seconds(words[next + 1]);
  } else if (left == 4 && words[next] == "between" && words[next + 2] == "and") {
    e.span = Span::kBetween;
    e.from = line.number(words[next + 1], "location");
    e.to = line.number(words[next + 3], "location");
    if (e.to < e.from) std::swap(e.from, e.to);
  } else {
    line.fail(
        "expected nothing, 'at SECONDS', 'from SECONDS' or 'between LOCATION and LOCATION' "
        "after the value");
  }
  return e;
}

std::vector<double> locationsOf(const Expectation& e) {
  if (e.span == Span::kStopBefore) return {e.from};
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

void ExpectationCheck::check(State& state, const Observation& frame) {
  const Expectation& e = *state.expectation;
  if (state.settled) return;
  if (e.span == Span::kStopBefore) {
    const double x = e.from;
    const bool crossed = (frame.previousLocation < x && frame.location >= x) ||
                         (frame.previousLocation > x && frame.location <= x);
    if (crossed) {
      state.settled = true;
      state.failures = 1;
      state.firstFailure = "failed at " + whereAndWhen(frame) + ": the front passed " +
                           number(x, 1) + " m at " + number(std::fabs(frame.speed), 1) + " km/h";
    } else if (frame.speed != 0) {
      state.moved = true;
    } else if (state.moved) {
      state.settled = state.checked = true;
    }
    return;
  }

  switch (e.span) {
    case Span::kAtTime:
      if (frame.timeMs < e.timeMs) return;
      state.settled = true;
      break;
    case Span::kFromTime:
      if (frame.timeMs < e.timeMs) return;
      break;
    case Span::kBetween:
      if (frame.location < e.from || frame.location > e.to) return;
      break;
    default:
      break;
  }
  double wanted = e.value;
  if (e.againstLimit) {
    if (!frame.limit) return;
    wanted = *frame.limit;
  }
  state.checked = true;
  const double actual = valueOf(e, frame);
  if (holds(actual, e.comparison, wanted)) return;
  if (state.failures++ == 0) {
    std::string name(kQuantities[static_cast<int>(e.quantity)].word);
    if (e.quantity == Quantity::kPanel || e.quantity == Quantity::kSound)
      name += " " + std::to_string(e.index);
    // Enough decimals that the value shown differs from the one wanted.
    int decimals = e.quantity <= Quantity::kLocation ? 1 : 0;
    while (decimals > 0 && decimals < 6 && actual != wanted &&
           std::stod(number(actual, decimals)) == wanted)
      ++decimals;
    state.firstFailure = "failed at " + whereAndWhen(frame) + ": " + name + " was " +
                         number(actual, decimals) +
                         (e.againstLimit ? " with the limit at " + number(wanted, 0) : "");
  }
}

std::vector<std::string> ExpectationCheck::finish(const Observation& last) const {
  std::vector<std::string> messages;
  for (const State& state : states_) {
    const Expectation& e = *state.expectation;
    std::string why;
    if (state.failures > 0) {
      why = state.firstFailure;
      if (state.failures > 1)
        why += " (and on " + std::to_string(state.failures - 1) + " more frames)";
    } else if (!state.checked) {
      switch (e.span) {
        case Span::kStopBefore:
          why = "failed: the drive ended at " + whereAndWhen(last) + " " +
                (state.moved ? "without a stand (" + number(std::fabs(last.speed), 1) + " km/h)"
                             : "and the train never moved");
          break;
        case Span::kBetween:
          why = "never checked: the front never came between " + number(e.from, 1) + " and " +
                number(e.to, 1) + " m";
          break;
        case Span::kAlways:
        case Span::kFromTime:
          if (!e.againstLimit) break;
          why = "never checked: no frame ran under a speed limit";
          break;
        default:
          why = "never checked: the drive ended at " + whereAndWhen(last);
      }
    }
    if (!why.empty()) {
      messages.push_back(source_ + ":" + std::to_string(e.line) + ": " + e.text + ": " + why);
    }
  }
  return messages;
}

}  // namespace host
