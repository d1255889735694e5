// Looking settings up in an INI file on disk: the system's own lookup where
// there is one, otherwise our reader, which answers as it does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace cablog {

// One INI file, asked for any number of settings. Where the system has no
// lookup of its own the file is read once, at the first question, so that a
// Load reading all its settings reads each file once.
class IniFile {
 public:
  explicit IniFile(std::string path);

  // Whether the file was there when this was made.
  bool exists() const { return exists_; }

  // The integer under [section] key=, or `fallback` when the file, the
  // section or the key is missing or the value is empty.
  std::int32_t readInt(const char* section, const char* key, std::int32_t fallback);

  // The text under [section] key=, cut to `capacity` - 1 characters; empty
  // when the section or the key is missing (the system's lookup cannot tell
  // that from an empty value), nothing when the file is.
  std::optional<std::string> readString(const char* section, const char* key, std::size_t capacity);

 private:
  // The file's bytes, read at the first call; nothing when it cannot be read.
  const std::optional<std::string>& text();

  std::string path_;
  bool exists_;
  bool read_ = false;
  std::optional<std::string> text_;
};

}  // namespace cablog
