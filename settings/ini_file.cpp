#include "settings/ini_file.h"

#include "platform/platform.h"
#include "settings/ini_lookup.h"

namespace cablog {

std::int32_t readProfileInt(const std::string& path, const char* section, const char* key,
                            std::int32_t fallback) {
  if (const auto native = platform::nativeProfileInt(path, section, key, fallback)) return *native;
  const std::optional<std::string> text = platform::readFile(path);
  return text ? lookupProfileInt(*text, section, key, fallback) : fallback;
}

std::optional<std::string> readProfileString(const std::string& path, const char* section,
                                             const char* key, std::size_t capacity) {
  if (path.empty() || !platform::fileExists(path)) return std::nullopt;
  if (auto native = platform::nativeProfileString(path, section, key, capacity)) return native;
  const std::optional<std::string> text = platform::readFile(path);
  if (!text) return std::nullopt;
  return lookupProfileString(*text, section, key, capacity).value_or(std::string());
}

}  // namespace cablog
