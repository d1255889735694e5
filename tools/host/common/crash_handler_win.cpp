// The crash report on Windows: the unhandled-exception filter sees what no
// handler of the module's own caught, and nothing that it did catch.
#include <windows.h>

#include "crash_report.h"

namespace host {

namespace {

struct Fatal {
  DWORD code;
  const char* name;
};
constexpr Fatal kFatal[] = {
    {EXCEPTION_ACCESS_VIOLATION, "access violation"},
    {EXCEPTION_STACK_OVERFLOW, "stack overflow"},
    {EXCEPTION_ILLEGAL_INSTRUCTION, "illegal instruction"},
    {EXCEPTION_PRIV_INSTRUCTION, "privileged instruction"},
    {EXCEPTION_INT_DIVIDE_BY_ZERO, "division by zero"},
    {EXCEPTION_IN_PAGE_ERROR, "page error"},
    {EXCEPTION_DATATYPE_MISALIGNMENT, "misaligned access"},
};

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* exception) {
  const char* name = "unhandled exception";
  for (const Fatal& fatal : kFatal) {
    if (fatal.code == exception->ExceptionRecord->ExceptionCode) name = fatal.name;
  }
  char report[512];
  const std::size_t length = formatCrashReport(callSite(), name, report, sizeof report);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), report, static_cast<DWORD>(length), &written, nullptr);
  // No DLL detach: the module's state is not to be trusted any more.
  TerminateProcess(GetCurrentProcess(), kCrashExitStatus);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void endProcessAbruptly(int status) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  // TerminateProcess does not return for the calling process itself.
  for (;;) Sleep(INFINITE);
}

void installCrashReport() {
  SetUnhandledExceptionFilter(onUnhandledException);
}

}  // namespace host
