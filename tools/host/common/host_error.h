// Anything that stops a drive: a bad command line, a bad script, a module
// that cannot be loaded or that breaks the host's rules.
#pragma once

#include <stdexcept>
#include <string>

namespace host {

// The stand-in could not drive (exit status 2): a bad script, a module that
// cannot be loaded, a chain that was not made.
class HostError : public std::runtime_error {
 public:
  explicit HostError(const std::string& message) : std::runtime_error(message) {}
};

// A mistake on the command line: reported together with the usage text.
class UsageError : public HostError {
 public:
  using HostError::HostError;
};

// The module broke a rule every host relies on (exit status 1, as a failed
// expectation).
class ModuleError : public HostError {
 public:
  using HostError::HostError;
};

// Exit statuses, for CI: the same for drives, replay and test.
inline constexpr int kExitHeld = 0;
inline constexpr int kExitFailed = 1;     // an expectation failed, a host rule was broken
inline constexpr int kExitCannotRun = 2;  // bad usage, script, module or recording
inline constexpr int kExitCrashed = 3;    // the module crashed, or a chained plug-in faulted
inline constexpr int kExitTimedOut = 4;   // a call did not return within --timeout

}  // namespace host
