// What the stand-in says when the module it drives crashes or hangs: the
// module, the call it was in, the frame, the time and the location, then
// exit status 3 (crash) or 4 (no return within the timeout).
//
// The report is written from a signal handler (POSIX), an exception filter
// (Windows) or the watchdog's thread, where nothing may allocate or lock. So
// the drive keeps the call site in lock-free atomics that the handler only
// reads, and the text is put together in a fixed buffer by hand.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "host_error.h"

namespace host {

// Where the drive is. Atomics, because the watchdog reads them from
// another thread; lock-free, so a signal handler may read them too.
struct CallSite {
  std::atomic<const char*> module{nullptr};  // path of the module driven
  std::atomic<const char*> call{nullptr};    // entry point being called; null between calls
  std::atomic<std::uint64_t> calls{0};       // calls begun so far
  std::atomic<std::int64_t> frame{0};        // 0 before the first Elapse
  std::atomic<std::int64_t> timeMs{0};       // since the drive began
  std::atomic<double> location{0};           // front of the train, m
};
static_assert(std::atomic<double>::is_always_lock_free);
static_assert(std::atomic<std::int64_t>::is_always_lock_free);

// The one call site of the process: the crash handler has no other way to
// reach it.
CallSite& callSite();

// What went wrong, for the report.
struct Fault {
  const char* what;               // like "segmentation fault"
  const void* address = nullptr;  // the faulting instruction, if the system tells
  int status = kExitCrashed;      // kExitCrashed or kExitTimedOut
};

// Ends the process at once, as a crash would: no exit handlers, no
// destructors, no flushing of buffered output, modules never unloaded.
[[noreturn]] void endProcessAbruptly(int status);

// Installs the handlers for this process (once; later calls do nothing).
void installCrashReport();

// Writes `text` to the standard error as one system call would; safe in a
// signal handler.
void writeError(const char* text, std::size_t length);

// The module holding `address`, the offset into it, and the address the
// module was linked to load at, which addr2line adds to the offset (0 for a
// POSIX shared object). False when the system cannot tell. `path` points at
// storage that lives on.
bool moduleOfAddress(const void* address, const char*& path, std::uintptr_t& offset,
                     std::uintptr_t& linkedBase);

// Run by the report before the process ends, to save what is still
// buffered (the host's own recording). Must be safe in a signal handler.
void setCrashHook(void (*hook)());

// Writes the report for `fault` into `buffer` and returns its length.
// Async-signal-safe: no allocation, no locale, no library calls.
std::size_t formatCrashReport(const CallSite& site, const Fault& fault, char* buffer,
                              std::size_t size);

// Reports `fault`, runs the crash hook and ends the process with its status.
[[noreturn]] void reportFault(const Fault& fault);

// Called inside a catch block: reports the C++ exception that escaped the
// module (its type and, for a std::exception, what()) as a crash.
[[noreturn]] void reportEscapedException();

// Starts a thread that reports a call not returned within `seconds` (exit
// status 4). 0 starts nothing.
void startWatchdog(std::int64_t seconds);

}  // namespace host
