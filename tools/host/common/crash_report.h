// What the stand-in says when the module it drives crashes: the call it was
// in, the frame, the time and the location, then exit status 3.
//
// The report is written from a signal handler (POSIX) or an unhandled-
// exception filter (Windows), where nothing may allocate or lock. So the
// drive keeps the call site in plain fields that the handler only reads,
// and the text is put together in a fixed buffer by hand.
#pragma once

#include <cstddef>
#include <cstdint>

namespace host {

// What a crashed drive's process ends with.
inline constexpr int kCrashExitStatus = 3;

// Where the drive is. The handler runs on the thread that crashed, between
// two of its instructions, so volatile stores are all the ordering needed.
struct CallSite {
  const char* volatile call = nullptr;  // entry point being called; null between calls
  volatile std::int64_t frame = 0;      // 0 before the first Elapse
  volatile std::int64_t timeMs = 0;     // since the drive began
  volatile double location = 0;         // front of the train, m
};

// The one call site of the process: the crash handler has no other way to
// reach it.
CallSite& callSite();

// Ends the process at once, as a crash would: no exit handlers, no
// destructors, no flushing of buffered output, modules never unloaded.
[[noreturn]] void endProcessAbruptly(int status);

// Installs the handler for this process (once; later calls do nothing).
void installCrashReport();

// Writes the report for `what` (like "segmentation fault") into `buffer`
// and returns its length. Async-signal-safe: no allocation, no locale, no
// library calls.
std::size_t formatCrashReport(const CallSite& site, const char* what, char* buffer,
                              std::size_t size);

}  // namespace host
