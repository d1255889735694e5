#include "settings/ini_file.h"

#include "platform/platform.h"
#include "settings/ini_lookup.h"

namespace cablog {
namespace {

// The length of the UTF-8 sequence that starts at `at`, or 0 when none
// does (a stray continuation byte, an overlong or out-of-range lead).
std::size_t utf8SequenceAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  const std::size_t length = lead < 0x80                   ? 1
                             : lead >= 0xC2 && lead < 0xE0 ? 2
                             : lead >= 0xE0 && lead < 0xF0 ? 3
                             : lead >= 0xF0 && lead < 0xF5 ? 4
                                                           : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t i = at + 1; i < at + length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// The text after its UTF-8 mark, if any, when it is UTF-8 holding more than
// ASCII: editors save such files, with or without the mark, and the system's
// lookup would read one without it in the ANSI code page.
std::optional<std::string_view> utf8BeyondAscii(std::string_view text) {
  if (text.starts_with("\xef\xbb\xbf")) text.remove_prefix(3);
  bool beyond = false;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = utf8SequenceAt(text, at);
    if (length == 0) return std::nullopt;
    beyond = beyond || length > 1;
    at += length;
  }
  if (!beyond) return std::nullopt;
  return text;
}

}  // namespace

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
  // A text read here from UTF-8 stays whole, as the names of files it holds
  // must: the platform takes them in UTF-8.
  if (const auto utf8 = utf8BeyondAscii(*bytes)) {
    return lookupProfileString(*utf8, section, key, capacity).value_or(std::string());
  }
  if (auto native = platform::nativeProfileString(path_, section, key, capacity)) return native;
  return lookupProfileString(*bytes, section, key, capacity).value_or(std::string());
}

}  // namespace cablog
