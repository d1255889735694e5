// The crash report on Windows: the unhandled-exception filter sees what no
// handler of the module's own caught, and nothing that it did catch. A stack
// overflow is caught first, by a vectored handler, on the stack the thread
// keeps in reserve for it.
#include <windows.h>

#include <csignal>

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

// Enough for the report: the handler runs on what is left of the stack.
constexpr ULONG kStackReserve = 64 * 1024;

[[noreturn]] void report(const EXCEPTION_RECORD& record) {
  const char* name = "unhandled exception";
  for (const Fatal& fatal : kFatal) {
    if (fatal.code == record.ExceptionCode) name = fatal.name;
  }
  // No DLL detach: the module's state is not to be trusted any more.
  reportFault({name, record.ExceptionAddress});
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* exception) {
  report(*exception->ExceptionRecord);
}

// Only a stack overflow: any other exception may be one the module handles
// itself.
LONG WINAPI onStackOverflow(EXCEPTION_POINTERS* exception) {
  if (exception->ExceptionRecord->ExceptionCode != EXCEPTION_STACK_OVERFLOW) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  report(*exception->ExceptionRecord);
}

// abort() and a failed assert reach the C runtime's SIGABRT, which the
// module shares with the stand-in.
extern "C" void onAbort(int) {
  reportFault({"abort"});
}

// Kept ready, as nothing may be allocated in a crash: UTF-8 takes at most
// three bytes for each UTF-16 unit of a path.
wchar_t moduleWidePath[MAX_PATH + 1];
char modulePath[3 * MAX_PATH + 1];

}  // namespace

void writeError(const char* text, std::size_t length) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(length), &written, nullptr);
}

bool moduleOfAddress(const void* address, const char*& path, std::uintptr_t& offset,
                     std::uintptr_t& linkedBase) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module)) {
    return false;
  }
  const DWORD length = GetModuleFileNameW(module, moduleWidePath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, moduleWidePath, static_cast<int>(length),
                                        modulePath, sizeof modulePath - 1, nullptr, nullptr);
  if (bytes <= 0) return false;
  modulePath[bytes] = '\0';
  path = modulePath;
  offset = reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(module);
  // The loaded image starts with its own headers.
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const char*>(module) +
                                                             dos->e_lfanew);
  linkedBase = static_cast<std::uintptr_t>(nt->OptionalHeader.ImageBase);
  return true;
}

void endProcessAbruptly(int status) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  // TerminateProcess does not return for the calling process itself.
  for (;;) Sleep(INFINITE);
}

void installCrashReport() {
  ULONG reserve = kStackReserve;
  SetThreadStackGuarantee(&reserve);
  AddVectoredExceptionHandler(1, onStackOverflow);
  SetUnhandledExceptionFilter(onUnhandledException);
  std::signal(SIGABRT, onAbort);
}

}  // namespace host
