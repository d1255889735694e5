// cablog-host test: many scenarios as one CI job. Each script is driven in
// a process and a fresh folder of its own, which keeps that run's output,
// log and recording; one line per scenario, a summary, and JUnit XML.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace host {

enum class Outcome { kPassed, kFailed, kCrashed, kTimedOut };

struct Scenario {
  std::string script;
  std::string folder;
  Outcome outcome = Outcome::kPassed;
  int status = 0;
  double seconds = 0;
  std::string output;                 // what the drive printed
  std::string firstFailure;           // empty when it passed
  std::vector<std::string> failures;  // its "file:line: ..." messages
};

// What a drive's exit status and output make of a scenario.
void judge(Scenario& scenario);

// "N scenarios: P passed, F failed, C crashed, T timed out".
std::string summaryLine(const std::vector<Scenario>& scenarios);

// The JUnit XML of a run of scenarios.
std::string junitXml(const std::vector<Scenario>& scenarios);

// `args` follow the word "test". 0 when every scenario passed, 1 when one
// did not, 2 on bad usage.
int testCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace host
