// The drive used when no script is given.
#pragma once

#include <string_view>

namespace host {

// Name used for the built-in drive in messages.
inline constexpr std::string_view kBuiltinDriveName = "<built-in drive>";

// A station-to-station run of four minutes, as a drive script.
std::string_view builtinDrive();

}  // namespace host
