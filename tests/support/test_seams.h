// The seams of the test backend (test_backend.cpp), which the tests and the
// fuzz targets link in place of the disk backend that ships
// (platform/disk_backend.cpp): the same calls of platform/platform.h, with
// files kept in memory, faults injected and the clock set by the test. The
// shipped module has none of this; tests/plugin/check_module_tables.sh
// holds it to that.
#pragma once

#include <chrono>
#include <string>
#include <unordered_map>
#include <vector>

namespace cablog::platform {

// Failures that the next file operations of SharedFile meet instead of the
// system's answer. Each count is used up one operation at a time; opens and
// writes are counted separately. Returns the counts left from before.
struct FileFaults {
  int failingOpens = 0;   // open() reports the system refused
  int failingWrites = 0;  // write() takes nothing
  int shortWrites = 0;    // write() takes only the first half
};
FileFaults injectFileFaults(const FileFaults& faults);

// For tests that must be quick: the files the plug-in reads and writes
// (through SharedFile, readFile, writeSmallFile, fileExists and removeFile),
// kept in memory by full path instead of on disk. Of the paths not held
// there only a module's (ending in libraryFileExtension()) is looked for on
// disk, as the system loads modules from there. At most 64 of them are open
// at once; one more is refused, as a system refuses. Null returns to the
// disk; returns the files used before.
struct MemoryFiles {
  std::unordered_map<std::string, std::string> byPath;
  // The bytes of files let go by clear(), emptied, for SharedFile to open
  // new files into: a log grows into one as long as its buffer was before,
  // without copying what it holds and without asking the system for memory.
  std::vector<std::string> spare;

  // Removes every file, keeping a few buffers, the largest.
  void clear();
};
MemoryFiles* useMemoryFiles(MemoryFiles* files);

// What steadyNow() reads instead of the steady clock, so that a streamed log
// can span many flush intervals in no time; null gives the clock back.
using SteadyClockReading = std::chrono::steady_clock::time_point (*)();
void useSteadyClock(SteadyClockReading now);

}  // namespace cablog::platform
