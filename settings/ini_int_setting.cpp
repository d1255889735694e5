#include "settings/ini_int_setting.h"

#include "settings/ini_file.h"

namespace cablog {

bool IniIntSetting::loadFrom(const std::string& path) {
  IniFile file(path);
  return loadFrom(file);
}

bool IniIntSetting::loadFrom(IniFile& file) {
  if (!file.exists()) return false;
  value = file.readInt(section, key, value);
  return true;
}

}  // namespace cablog
