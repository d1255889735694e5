// The system's own file calls, one set per platform source (and the shared
// read_file.cpp), behind the calls of platform.h that a backend provides:
// disk_backend.cpp in what ships, the test backend in the tests. Only the
// platform sources and the backends include this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace cablog::platform::native {

// A handle, or a negative value when the file could not be opened.
std::intptr_t openFile(const std::string& path, SharedFile::Start start);
// Bytes the system took; stops at the first failure.
std::size_t writeFile(std::intptr_t handle, const char* data, std::size_t size);
bool closeFile(std::intptr_t handle);
bool fileExists(const std::string& path);
bool removeFile(const std::string& path);
std::optional<std::string> readFile(const std::string& path);
void writeSmallFile(const std::string& path, std::string_view text, bool append);
// The bytes of a regular file of at most `limit` bytes, opened so that a
// pipe cannot keep the call waiting; nothing, with `refusal` empty, when
// there is no such file or it is a folder, else with `refusal` saying why.
std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit,
                                           std::string& refusal);

}  // namespace cablog::platform::native
