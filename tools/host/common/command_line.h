// The stand-in's command line, and the paths made of its words. A word is
// UTF-8 on Windows, read from the system's wide command line so that any
// folder can be named whatever the ANSI code page, and the system's bytes
// elsewhere; a path made of one must be made by pathOf, as the library's
// own conversion of a narrow text on Windows is not UTF-8.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// The program's arguments, the program's name first.
std::vector<std::string> commandLine(int argc, char** argv);

inline std::filesystem::path pathOf(std::string_view text) {
  const auto* start = reinterpret_cast<const char8_t*>(text.data());
  return std::filesystem::path(std::u8string_view(start, text.size()));
}

}  // namespace host
