// Seams for the tests and the fuzz target, which reach into the platform
// layer's file calls; the plug-in never sets them.
//
// They are compiled into every build, the shipped module's too, so that the
// code the tests run is the code that ships. What that costs each write of
// SharedFile was measured: about 1.5 ns for the two checks, against 1 to 3 µs
// for the system call of even the smallest write, and no difference beyond
// noise in bench/flush_write's figures from 4 KiB to 1 MiB.
#pragma once

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

}  // namespace cablog::platform
