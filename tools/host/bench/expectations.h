// What a drive script says must happen, checked on every frame after Elapse.
//
//   expect stop before 900             # comes to a stand before its front reaches 900 m
//   expect brake >= 4 between 600 and 800   # on every frame with the front in 600..800 m
//   expect panel 1 = 1 at 75           # on the first frame at or after 75 s
//   expect panel 1 = 1 from 75         # on every frame from 75 s on
//   expect speed <= limit              # on every frame (no condition: always)
//   expect speed <= limit + 5          # against the limit with an offset (+ N or - N)
//   expect brake = 9 after 1500 until stop   # from the front passing 1500 m until the
//                                            # train next stands still
//   expect brake >= 8 within 2 after 500     # on at least one frame within 2 s of the
//                                            # front passing 500 m: a reaction
//
// Quantities: speed (km/h either way), location (m), and what Elapse handed
// back: brake, power, reverser, constant-speed, panel K, sound K. Comparisons: = != <
// <= > >=. A value is a number, or `limit` for speed, meaning the limit in
// force where the front is (frames without one are not checked), with an
// offset if `+ N` or `- N` follows. The front passes a location as the host
// sends a beacon there (route.h), in either direction.
//
// A failed expectation keeps its first failing frame and a count of the
// others; the drive goes on, so that every failure is listed at the end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records.h"
#include "route.h"
#include "script_line.h"

namespace host {

// kConstantSpeed is the handle record's fourth field, which scripts call
// `constant-speed` (or, as they did before it had a name, `fourth`).
enum class Quantity {
  kSpeed,
  kLocation,
  kBrake,
  kPower,
  kReverser,
  kConstantSpeed,
  kPanel,
  kSound
};
enum class Comparison { kEqual, kUnequal, kBelow, kAtMost, kAbove, kAtLeast };
enum class Span {
  kAlways,
  kAtTime,
  kFromTime,
  kBetween,
  kStopBefore,
  kAfterUntilStop,
  kWithinAfter
};

struct Expectation {
  int line = 0;
  std::string text;  // as written, for the report
  Span span = Span::kAlways;
  Quantity quantity = Quantity::kSpeed;
  std::int32_t index = 0;  // panel or sound entry
  Comparison comparison = Comparison::kEqual;
  double value = 0;
  bool againstLimit = false;
  double limitOffset = 0;   // km/h added to the limit
  std::int64_t timeMs = 0;  // kAtTime, kFromTime; kWithinAfter: the window
  double from = 0;          // kBetween (from <= to); the others use `from` alone
  double to = 0;
};

// Reads an "expect ..." line (`words` starts with "expect"). `arraySize`
// bounds panel and sound entries.
Expectation parseExpectation(const ScriptLine& line, const std::vector<std::string_view>& words,
                             std::size_t arraySize);

// The locations an expectation names, to be checked against the line's ends.
std::vector<double> locationsOf(const Expectation& expectation);

// One frame as the expectations see it, after Elapse.
struct Observation {
  std::int64_t timeMs = 0;  // since the drive began
  double previousLocation = 0;
  double location = 0;
  double speed = 0;  // km/h, negative backwards
  HandleRecord handedBack{};
  const std::int32_t* panel = nullptr;
  const std::int32_t* sound = nullptr;
  std::optional<double> limit;
};

class ExpectationCheck {
 public:
  ExpectationCheck(const std::vector<Expectation>& expectations, std::string source);

  void observe(const Observation& frame);

  // One message per expectation that failed or could not be checked, in
  // script order ("file:line: expect ...: failed at ..."). `last` is the
  // final frame observed.
  std::vector<std::string> finish(const Observation& last) const;

  std::size_t count() const { return states_.size(); }

 private:
  struct State {
    const Expectation* expectation = nullptr;
    bool settled = false;  // decided: nothing later can change it
    bool checked = false;  // some frame fell within its span
    bool moved = false;    // kStopBefore: the train has been in motion
    bool passed = false;   // kAfterUntilStop, kWithinAfter: the front passed `from`
    std::int64_t passedMs = 0;
    double lastActual = 0;  // kWithinAfter: the value on the last frame that did not hold
    std::int64_t failures = 0;
    std::string firstFailure;
  };

  void check(State& state, const Observation& frame);
  void checkStop(State& state, const Observation& frame);
  bool inSpan(State& state, const Observation& frame);
  void noteFailure(State& state, const Observation& frame, double actual, double wanted);
  std::string whyUnchecked(const State& state, const Observation& last) const;

  std::vector<State> states_;
  std::string source_;
};

}  // namespace host
