// An INI lookup that answers as the Windows profile functions do, for hosts
// that have none.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cablog {

// The value text under [section] key=, trimmed of blanks; nothing when the
// section or the key is missing. Section and key match without regard to
// ASCII letter case; the first matching key of the first matching section
// wins.
std::optional<std::string> lookupProfileString(std::string_view text, std::string_view section,
                                               std::string_view key);

// The value read as a decimal integer (leading blanks, an optional sign, then
// digits up to the first non-digit, wrapping as the profile functions do);
// `fallback` when the value is missing or empty.
std::int32_t lookupProfileInt(std::string_view text, std::string_view section, std::string_view key,
                              std::int32_t fallback);

}  // namespace cablog
