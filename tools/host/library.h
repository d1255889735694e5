// Loading a shared module and finding its exports. One source file per
// operating system implements these.
#pragma once

#include <string>

namespace host {

// Returns the module's handle, or null with `error` describing why not.
void* openLibrary(const std::string& path, std::string& error);
// Null if the module does not export `name`.
void* findSymbol(void* library, const char* name);
void closeLibrary(void* library);

// What a crashed host's process ends with.
inline constexpr int kCrashExitStatus = 3;

// Ends the process at once, as a crash would: no exit handlers, no
// destructors, no flushing of buffered output, modules never unloaded.
[[noreturn]] void endProcessAbruptly(int status);

// File name of a module built for this system from its base name.
std::string moduleFileName(const std::string& stem);

}  // namespace host
