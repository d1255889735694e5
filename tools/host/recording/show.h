// cablog-host show: a recording as text, one call per line, for reading and
// diffing.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace host {

// Writes the header and every call. Throws RecordingError.
void showRecording(std::istream& in, std::ostream& out);

// The whole subcommand: 0, or 2 with a message when the recording cannot
// be read.
int showCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace host
