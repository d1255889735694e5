// Reading a setting of the table from its files, in their order, held to its
// range.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/ini_file.h"
#include "settings/settings_table.h"

namespace cablog {

// The files the settings of one Load are read from, each read once however
// many settings are asked of it.
struct SettingSources {
  // `ownPath` is the module's own INI file.
  explicit SettingSources(const std::string& ownPath) : shared(kSharedSettingsPath), own(ownPath) {}
  IniFile shared;
  IniFile own;
};

// An integer setting: its fallback, updated by each of its files that
// exists and sets it, then held to its range.
std::int32_t readIntSetting(Setting setting, SettingSources& files);

// A text setting, cut to its buffer: empty when a file it is read from lacks
// it, nothing when none of its files exists.
std::optional<std::string> readTextSetting(Setting setting, SettingSources& files);

}  // namespace cablog
