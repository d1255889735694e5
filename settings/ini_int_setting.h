// An integer setting looked up in INI files, later files overriding earlier.
#pragma once

#include <cstdint>
#include <string>

namespace cablog {

// The settings file every train shares, in the host's current directory.
inline constexpr const char* kSharedSettingsPath = "./Ats.ini";

inline constexpr const char* kFrameSection = "Frame";
// The key carries trailing blanks; the lookup ignores blanks around keys, so
// a plain "Skip=10" line matches it.
inline constexpr const char* kSkipKey = "Skip             ";

class IniIntSetting {
 public:
  // Reads nothing yet: the caller names each file it reads, in order.
  IniIntSetting(const char* section, const char* key, std::int32_t value)
      : section(section), key(key), value(value) {}

  // Updates the value from the file, if it exists; returns whether it does.
  // A file without the section or key keeps the current value.
  bool loadFrom(const std::string& path);

  const char* section;
  const char* key;
  std::int32_t value;
};

inline constexpr const char* kLogSection = "Log";
inline constexpr const char* kFlushKey = "Flush";
inline constexpr const char* kEventsKey = "Events";
inline constexpr const char* kPeriodKey = "Period";

// Seconds between writes of the log while the run goes on, as the files set
// it: 0 (the whole log at the end) unless one of them says otherwise. Not yet
// clamped.
inline IniIntSetting flushSetting() {
  return {kLogSection, kFlushKey, 0};
}

// Whether a frame after an event makes a row of its own: 0 (no) unless one
// of the files says otherwise.
inline IniIntSetting eventsSetting() {
  return {kLogSection, kEventsKey, 0};
}

// Rows by simulated time, in milliseconds, as the files set it: 0 (rows by
// frame count) unless one of them says otherwise. Not yet clamped.
inline IniIntSetting periodSetting() {
  return {kFrameSection, kPeriodKey, 0};
}

inline constexpr const char* kRecordKey = "Record";

// Whether to record every call of the host beside the log, for replaying the
// run: 0 (no) unless one of the files says otherwise; 1 records.
inline IniIntSetting recordSetting() {
  return {kLogSection, kRecordKey, 0};
}

// The sampling interval as the files set it: 60 unless one of them says
// otherwise. Not yet clamped.
inline IniIntSetting frameSkipSetting() {
  return {kFrameSection, kSkipKey, 60};
}

}  // namespace cablog
