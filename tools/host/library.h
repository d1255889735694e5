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

// File name of a module built for this system from its base name.
std::string moduleFileName(const std::string& stem);

}  // namespace host
