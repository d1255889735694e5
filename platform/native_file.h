// The system calls behind SharedFile, one set per platform source. Only the
// platform sources include this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "platform/test_seams.h"

namespace cablog::platform {

// The files useMemoryFiles set, or null.
MemoryFiles* memoryFilesInUse();

}  // namespace cablog::platform

namespace cablog::platform::native {

// A handle, or a negative value when the file could not be opened.
std::intptr_t openFile(const std::string& path, SharedFile::Start start);
// Bytes the system took; stops at the first failure.
std::size_t writeFile(std::intptr_t handle, const char* data, std::size_t size);
bool closeFile(std::intptr_t handle);
bool fileExists(const std::string& path);
bool removeFile(const std::string& path);

}  // namespace cablog::platform::native
