// Anything that stops a drive: a bad command line, a bad script, a module
// that cannot be loaded or that breaks the host's rules.
#pragma once

#include <stdexcept>
#include <string>

namespace host {

class HostError : public std::runtime_error {
 public:
  explicit HostError(const std::string& message) : std::runtime_error(message) {}
};

// A mistake on the command line: reported together with the usage text.
class UsageError : public HostError {
 public:
  using HostError::HostError;
};

}  // namespace host
