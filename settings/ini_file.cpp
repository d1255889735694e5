#include "settings/ini_file.h"

#include "platform/platform.h"
#include "settings/ini_lookup.h"

namespace cablog {

IniFile::IniFile(std::string path)
    : path_(std::move(path)), exists_(!path_.empty() && platform::fileExists(path_)) {}

const std::optional<std::string>& IniFile::text() {
  if (!read_) {
    platform::TextFile file = platform::readTextFile(path_);
    text_ = std::move(file.text);
    refusal_ = std::move(file.refusal);
    read_ = true;
  }
  return text_;
}

std::int32_t IniFile::readInt(const char* section, const char* key, std::int32_t fallback) {
  const std::optional<std::string>& bytes = text();
  if (!bytes) return fallback;
  if (const auto native = platform::nativeProfileInt(path_, section, key, fallback)) return *native;
  return lookupProfileInt(*bytes, section, key, fallback);
}

std::optional<std::string> IniFile::readString(const char* section, const char* key,
                                               std::size_t capacity) {
  const std::optional<std::string>& bytes = text();
  if (!exists_ || !bytes) return std::nullopt;
  if (auto native = platform::nativeProfileString(path_, section, key, capacity)) return native;
  return lookupProfileString(*bytes, section, key, capacity).value_or(std::string());
}

}  // namespace cablog
