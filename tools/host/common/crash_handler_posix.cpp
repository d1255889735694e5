// The crash report on POSIX systems: a signal handler on its own stack, so
// that a module that overran the stack can still be reported.
#include <dlfcn.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include "crash_report.h"

namespace host {

namespace {

struct Fatal {
  int signal;
  const char* name;
};
constexpr Fatal kFatal[] = {
    {SIGSEGV, "segmentation fault"}, {SIGBUS, "bus error"}, {SIGILL, "illegal instruction"},
    {SIGFPE, "arithmetic fault"},    {SIGABRT, "abort"},
};

// A fixed stack: its size must not depend on a run-time query.
alignas(16) char alternateStack[64 * 1024];

// The instruction that faulted, where the system tells it.
const void* faultingInstruction(void* context) {
#if defined(__linux__) && defined(__x86_64__)
  return reinterpret_cast<const void*>(
      static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__linux__) && defined(__aarch64__)
  return reinterpret_cast<const void*>(static_cast<ucontext_t*>(context)->uc_mcontext.pc);
#else
  (void)context;
  return nullptr;
#endif
}

extern "C" void onFatalSignal(int signal, siginfo_t*, void* context) {
  const char* name = "signal";
  for (const Fatal& fatal : kFatal) {
    if (fatal.signal == signal) name = fatal.name;
  }
  // abort() raises from the C library: where it did so tells nothing.
  reportFault({name, signal == SIGABRT ? nullptr : faultingInstruction(context)});
}

}  // namespace

void writeError(const char* text, std::size_t length) {
  std::size_t written = 0;
  while (written < length) {
    const ssize_t n = write(STDERR_FILENO, text + written, length - written);
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
}

bool moduleOfAddress(const void* address, const char*& path, std::uintptr_t& offset,
                     std::uintptr_t& linkedBase) {
  linkedBase = 0;
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return false;
  path = info.dli_fname;
  offset =
      reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(info.dli_fbase);
  return true;
}

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
  action.sa_sigaction = onFatalSignal;
  action.sa_flags = SA_ONSTACK | SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  for (const Fatal& fatal : kFatal) sigaction(fatal.signal, &action, nullptr);
}

}  // namespace host
