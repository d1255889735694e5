// An integer setting looked up in INI files, later files overriding earlier.
#pragma once

#include <cstdint>
#include <string>

namespace cablog {

inline constexpr const char* kFrameSection = "Frame";
// The key carries trailing blanks; the lookup ignores blanks around keys, so
// a plain "Skip=10" line matches it.
inline constexpr const char* kSkipKey = "Skip             ";

class IniIntSetting {
 public:
  // Starts at 60 and reads `path`, or the default "./Ats.ini" when empty.
  explicit IniIntSetting(const std::string& path = {});

  // Updates the value from the file, if it exists; returns whether it does.
  // A file without the section or key keeps the current value.
  bool loadFrom(const std::string& path);

  std::int32_t value = 60;
  std::string defaultPath = "./Ats.ini";
};

}  // namespace cablog
