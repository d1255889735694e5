// Running another program and waiting for it: the test program runs each
// scenario in a process of its own, so that a crash or a hang stops only
// that one. One file a system: child_process_posix.cpp, child_process_win.cpp. (Not
// process.h, which would hide the Windows header of that name.)
#pragma once

#include <string>
#include <vector>

namespace host {

// The path of the running program.
std::string thisProgram();

// Runs `args` (the program first) with its standard output and error both
// going to the file `outputPath`, waits for it, and returns its exit status;
// a program ended by a signal gives 128 + the signal. -1: it could not start.
int runProcess(const std::vector<std::string>& args, const std::string& outputPath);

}  // namespace host
