// An integer setting looked up in INI files, later files overriding earlier.
#pragma once

#include <cstdint>
#include <string>

#include "settings/ini_file.h"
#include "settings/settings_table.h"

namespace cablog {

class IniIntSetting {
 public:
  // Reads nothing yet: the caller names each file it reads, in order.
  IniIntSetting(const char* section, const char* key, std::int32_t value)
      : section(section), key(key), value(value) {}
  // The row's fallback, not yet held to its range.
  explicit IniIntSetting(const SettingRow& row)
      : IniIntSetting(row.section, row.key, row.fallback) {}

  // Updates the value from the file, if it exists; returns whether it does.
  // A file without the section or key keeps the current value.
  bool loadFrom(const std::string& path);
  bool loadFrom(IniFile& file);

  const char* section;
  const char* key;
  std::int32_t value;
};

}  // namespace cablog
