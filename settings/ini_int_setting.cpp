#include "settings/ini_int_setting.h"

#include "platform/platform.h"

namespace cablog {

IniIntSetting::IniIntSetting(const std::string& path) {
  loadFrom(path);
}

bool IniIntSetting::loadFrom(const std::string& path) {
  const std::string& file = path.empty() ? defaultPath : path;
  if (!platform::fileExists(file)) return false;
  value = platform::profileInt(file, kFrameSection, kSkipKey, value);
  return true;
}

}  // namespace cablog
