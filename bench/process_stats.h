// What the process itself has cost so far, as the system counts it.
#pragma once

#include <cstdint>

namespace cablog::bench {

// The most memory the process has held resident since it started.
std::uint64_t peakResidentBytes();

// Processor time the calling thread has used, including the system's work on
// its behalf (page faults) but not the time other programs held the
// processor. 0 where the system cannot tell it finely.
std::uint64_t threadCpuNanoseconds();

// Times the system took the processor away from the process while it could
// have run; a long call that coincides with one was not the plug-in's doing.
// -1 where the system does not count them.
std::int64_t involuntarySwitches();

}  // namespace cablog::bench
