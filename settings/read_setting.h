// Reading a setting of the table from its files, in their order, held to its
// range.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/settings_table.h"

namespace cablog {

// An integer setting: its fallback, updated by each of its files that
// exists and sets it, then held to its range. `ownPath` is the module's own
// INI file.
std::int32_t readIntSetting(Setting setting, const std::string& ownPath);

// A text setting, cut to its buffer: empty when a file it is read from lacks
// it, nothing when none of its files exists.
std::optional<std::string> readTextSetting(Setting setting, const std::string& ownPath);

}  // namespace cablog
