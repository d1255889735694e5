#include "settings/ini_file.h"

#include "platform/platform.h"
#include "settings/ini_lookup.h"

namespace cablog {

IniFile::IniFile(std::string path)
    : path_(std::move(path)), exists_(!path_.empty() && platform::fileExists(path_)) {}

const std::optional<std::string>& IniFile::text() {
  if (!read_) {
    text_ = platform::readFile(path_);
    read_ = true;
  }
  return text_;
}

std::int32_t IniFile::readInt(const char* section, const char* key, std::int32_t fallback) {
  if (const auto native = platform::nativeProfileInt(path_, section, key, fallback)) return *native;
  const std::optional<std::string>& bytes = text();
  return bytes ? lookupProfileInt(*bytes, section, key, fallback) : fallback;
}

std::optional<std::string> IniFile::readString(const char* section, const char* key,
                                               std::size_t capacity) {
  if (!exists_) return std::nullopt;
  if (auto native = platform::nativeProfileString(path_, section, key, capacity)) return native;
  const std::optional<std::string>& bytes = text();
  if (!bytes) return std::nullopt;
  return lookupProfileString(*bytes, section, key, capacity).value_or(std::string());
}

}  // namespace cablog
