// The crash report on POSIX systems: a signal handler on its own stack, so
// that a module that overran the stack can still be reported.
#include <signal.h>
#include <unistd.h>

#include "crash_report.h"

namespace host {

namespace {

struct Fatal {
  int signal;
  const char* name;
};
constexpr Fatal kFatal[] = {
    {SIGSEGV, "segmentation fault"},
    {SIGBUS, "bus error"},
    {SIGILL, "illegal instruction"},
    {SIGFPE, "arithmetic fault"},
};

// A fixed stack: its size must not depend on a run-time query.
alignas(16) char alternateStack[64 * 1024];

extern "C" void onFatalSignal(int signal) {
  const char* name = "signal";
  for (const Fatal& fatal : kFatal) {
    if (fatal.signal == signal) name = fatal.name;
  }
  char report[512];
  const std::size_t length = formatCrashReport(callSite(), name, report, sizeof report);
  std::size_t written = 0;
  while (written < length) {
    const ssize_t n = write(STDERR_FILENO, report + written, length - written);
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  _exit(kCrashExitStatus);
}

}  // namespace

void endProcessAbruptly(int status) {
  _exit(status);
}

void installCrashReport() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = sizeof alternateStack;
  sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_handler = onFatalSignal;
  action.sa_flags = SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (const Fatal& fatal : kFatal) sigaction(fatal.signal, &action, nullptr);
}

}  // namespace host
