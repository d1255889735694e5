// The drive program of cablog-host: options, the drive, its report and its
// exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace host {

// `args` exclude the program's name. Returns the exit status (host_error.h).
int driveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace host
