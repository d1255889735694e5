#include "settings/ini_int_setting.h"

#include "platform/platform.h"
#include "settings/ini_file.h"

namespace cablog {

bool IniIntSetting::loadFrom(const std::string& path) {
  if (path.empty() || !platform::fileExists(path)) return false;
  value = readProfileInt(path, section, key, value);
  return true;
}

}  // namespace cablog
