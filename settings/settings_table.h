// Every setting cablog reads, in one table: where it stands, what it holds
// when no file sets it, the range it is held to, and which files may set it.
// A new setting is a row here plus its use; the guide's settings table in
// package/README.txt is checked against this one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace cablog {

// The settings file every train shares, in the host's current directory.
inline constexpr const char* kSharedSettingsPath = "./Ats.ini";

enum class SettingType { Integer, Text };

// The files a setting is read from, in order; a later file that sets it wins.
enum class SettingFiles {
  // ./Ats.ini, then the module's own INI file.
  SharedThenOwn,
  // Only the module's own INI file: ./Ats.ini is every train's, and what it
  // names (a module to load) belongs to one train.
  OwnOnly,
};

// Where a row of the table stands, to name it in the code.
enum class Setting : std::size_t { Skip, Period, Flush, Events, Record, ChainModule };

inline constexpr std::int32_t kNoLowerBound = std::numeric_limits<std::int32_t>::min();
inline constexpr std::int32_t kNoUpperBound = std::numeric_limits<std::int32_t>::max();

struct SettingRow {
  Setting setting;
  const char* section;
  // As the lookup is asked for it; blanks around it do not count.
  const char* key;
  SettingType type;
  SettingFiles files;
  // An integer's value when no file sets it; a text's is empty.
  std::int32_t fallback = 0;
  // An integer is held to [lowest, highest] after reading.
  std::int32_t lowest = kNoLowerBound;
  std::int32_t highest = kNoUpperBound;
  // A text is read through a buffer of this many characters, terminator
  // included.
  std::size_t capacity = 0;
};

// The longest period the setting may ask for: an hour of simulated time.
inline constexpr std::int32_t kMaxPeriodMs = 3'600'000;
// The longest gap between writes of a streamed log, in seconds.
inline constexpr std::int32_t kMaxFlushSeconds = 3600;

inline constexpr std::array kSettings{
    // One row every N frames. The key carries trailing blanks; the lookup
    // ignores blanks around keys, so a plain "Skip=10" line matches it.
    SettingRow{Setting::Skip, "Frame", "Skip             ", SettingType::Integer,
               SettingFiles::SharedThenOwn, 60, 1, kNoUpperBound},
    // Rows by simulated time, in milliseconds; 0 leaves them to Skip.
    SettingRow{Setting::Period, "Frame", "Period", SettingType::Integer,
               SettingFiles::SharedThenOwn, 0, 0, kMaxPeriodMs},
    // Seconds between writes of the log while the run goes on; 0 leaves the
    // whole log for Dispose.
    SettingRow{Setting::Flush, "Log", "Flush", SettingType::Integer, SettingFiles::SharedThenOwn, 0,
               0, kMaxFlushSeconds},
    // Not 0: a frame after an event makes a row of its own.
    SettingRow{Setting::Events, "Log", "Events", SettingType::Integer, SettingFiles::SharedThenOwn},
    // Above 0: every call of the host is recorded beside the log.
    SettingRow{Setting::Record, "Log", "Record", SettingType::Integer, SettingFiles::SharedThenOwn},
    // The train's own plug-in to chain. Read with room to spare, so that an
    // overlong setting is seen as such and refused, never loaded cut short.
    SettingRow{Setting::ChainModule, "Chain", "Module", SettingType::Text, SettingFiles::OwnOnly, 0,
               kNoLowerBound, kNoUpperBound, 4096},
};

constexpr const SettingRow& settingRow(Setting setting) {
  return kSettings[static_cast<std::size_t>(setting)];
}

constexpr bool rowsStandWhereTheyAreNamed() {
  for (std::size_t i = 0; i < kSettings.size(); ++i) {
    if (static_cast<std::size_t>(kSettings[i].setting) != i) return false;
  }
  return true;
}
static_assert(rowsStandWhereTheyAreNamed(), "each row stands at the place its Setting names");

}  // namespace cablog
