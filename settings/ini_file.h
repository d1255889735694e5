// Looking a setting up in an INI file on disk: the system's own lookup where
// there is one, otherwise our reader, which answers as it does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace cablog {

// The integer under [section] key= of the file at `path`, or `fallback` when
// the file, the section or the key is missing or the value is empty.
std::int32_t readProfileInt(const std::string& path, const char* section, const char* key,
                            std::int32_t fallback);

// The text under [section] key= of the file at `path`, cut to `capacity` - 1
// characters; empty when the section or the key is missing (the system's
// lookup cannot tell that from an empty value), nothing when the file is.
std::optional<std::string> readProfileString(const std::string& path, const char* section,
                                             const char* key, std::size_t capacity);

}  // namespace cablog
