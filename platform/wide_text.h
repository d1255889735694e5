// Windows only. cablog names files in UTF-8 and hands every name to the
// system's wide calls, so that a folder named in any script is reached
// whatever the ANSI code page; the stand-in's Windows files use the same
// conversions. Defined in platform_win.cpp.
#pragma once

#include <string>
#include <string_view>

namespace cablog::platform {

// UTF-16 of a UTF-8 text. Bytes that are not UTF-8 are read in the ANSI
// code page, which is what an older file or caller holds.
std::wstring wideOf(std::string_view text);

// UTF-8 of a UTF-16 text.
std::string utf8Of(std::wstring_view wide);

// The name the system's wide file calls take: the path itself while it is
// short, else its extended form ("\\?\"), which only an absolute path has;
// empty when a long path cannot take that form.
std::wstring systemPath(std::string_view path);

}  // namespace cablog::platform
