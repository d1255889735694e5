#include <windows.h>

#include "library.h"

namespace host {

namespace {

std::string describe(DWORD code) {
  char text[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  return message.empty() ? "Windows error " + std::to_string(code) : message;
}

}  // namespace

void* openLibrary(const std::string& path, std::string& error) {
  HMODULE library = LoadLibraryA(path.c_str());
  if (library == nullptr) error = describe(GetLastError());
  return reinterpret_cast<void*>(library);
}

void* findSymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void closeLibrary(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

void endProcessAbruptly(int status) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  // TerminateProcess does not return for the calling process itself.
  for (;;) Sleep(INFINITE);
}

std::string moduleFileName(const std::string& stem) {
  return stem + ".dll";
}

}  // namespace host
