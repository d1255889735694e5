// Looking settings up in an INI file on disk: the system's own lookup where
// there is one, otherwise our reader, which answers as it does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace cablog {

// One INI file, asked for any number of settings. The file is read once, at
// the first question, so that a Load reading all its settings reads each
// file once; the system's own lookup, where there is one, answers only for a
// file that reading did not refuse (see platform::readTextFile).
class IniFile {
 public:
  explicit IniFile(std::string path);

  // Whether the file was there when this was made.
  bool exists() const { return exists_; }
  // Why the file, there, was not read, after the first question; empty when
  // it was. A refused file answers as a missing one.
  const std::string& refusal() const { return refusal_; }

  // The integer under [section] key=, or `fallback` when the file, the
  // section or the key is missing or the value is empty.
  std::int32_t readInt(const char* section, const char* key, std::int32_t fallback);

  // The text under [section] key=, cut to `capacity` - 1 characters; empty
  // when the section or the key is missing (the system's lookup cannot tell
  // that from an empty value), nothing when the file is. A file in UTF-8
  // that holds more than ASCII (with its mark or without, or UTF-16, which
  // is read as UTF-8) is read by our reader and its text given whole; any
  // other, by the system's lookup where there is one.
  std::optional<std::string> readString(const char* section, const char* key, std::size_t capacity);

 private:
  // The file's text, read at the first call; nothing when it cannot be read.
  const std::optional<std::string>& text();

  std::string path_;
  bool exists_;
  bool read_ = false;
  std::optional<std::string> text_;
  std::string refusal_;
};

}  // namespace cablog
