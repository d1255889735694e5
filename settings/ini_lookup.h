// An INI lookup that answers as the Windows profile functions do, for hosts
// that have none. It follows their reading of a file closely, odd corners
// included, so that a settings file means the same on every build.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cablog {

// The profile functions read an integer through a buffer of 30 characters.
inline constexpr std::size_t kProfileIntCapacity = 30;

// The value text under [section] key=, as the profile functions hand it out
// into a buffer of `capacity` characters: blanks around it removed, one pair
// of enclosing quotes removed, cut to `capacity` - 1 characters. Nothing when the section or the
// key is missing or the key has no "=". Section and key match without regard to ASCII letter case
// and blanks around the asked-for names; only the first section of that name is searched, and its
// first such key wins.
std::optional<std::string> lookupProfileString(std::string_view text, std::string_view section,
                                               std::string_view key,
                                               std::size_t capacity = kProfileIntCapacity);

// The value read as an integer: leading control characters and blanks
// skipped, an optional sign, an optional 0x, 0o or 0b prefix, then digits up
// to the first non-digit, wrapping modulo 2^32. `fallback` when the value is missing or empty.
std::int32_t lookupProfileInt(std::string_view text, std::string_view section, std::string_view key,
                              std::int32_t fallback);

}  // namespace cablog
