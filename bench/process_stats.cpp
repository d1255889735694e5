#include "bench/process_stats.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: psapi.h needs its types.
#include <psapi.h>
#else
#include <sys/resource.h>
#include <time.h>
#endif

namespace cablog::bench {

std::uint64_t peakResidentBytes() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize;
#else
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;  // reported in KiB
#endif
}

std::uint64_t threadCpuNanoseconds() {
#ifdef _WIN32
  return 0;  // GetThreadTimes counts in scheduler ticks, far too coarse
#else
  timespec now{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0) return 0;
  return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000u +
         static_cast<std::uint64_t>(now.tv_nsec);
#endif
}

std::int64_t involuntarySwitches() {
#ifdef _WIN32
  return -1;
#else
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return -1;
  return usage.ru_nivcsw;
#endif
}

}  // namespace cablog::bench
