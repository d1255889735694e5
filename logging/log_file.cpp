#include "logging/log_file.h"

#include <charconv>
#include <span>

namespace cablog {
namespace {

void appendTwoDigits(std::string& text, int value) {
  value %= 100;
  if (value < 0) value = -value;
  text.push_back(static_cast<char>('0' + value / 10));
  text.push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

std::string logFilePath(std::string_view directory, const platform::LocalDateTime& time,
                        char separator) {
  std::string path;
  path.reserve(directory.size() + 24);
  path += directory;
  // A root directory ("C:\", "/") already ends in a separator.
  if (path.empty() || path.back() != separator) path.push_back(separator);
  path += "Log_";
  appendTwoDigits(path, time.year % 100);
  appendTwoDigits(path, time.month);
  appendTwoDigits(path, time.day);
  path.push_back('-');
  appendTwoDigits(path, time.hour);
  appendTwoDigits(path, time.minute);
  appendTwoDigits(path, time.second);
  path += ".csv";
  return path;
}

std::string recordingPathFor(std::string_view logPath) {
  if (logPath.empty()) return {};
  std::string path(logPath);
  const std::string_view log = kLogFileExtensions[0];
  if (path.ends_with(log)) path.resize(path.size() - log.size());
  return path + std::string(kLogFileExtensions[1]);
}

ClaimedName claimLogName(const std::string& plainPath) {
  const std::string_view stem =
      std::string_view(plainPath).substr(0, plainPath.size() - kLogFileExtensions[0].size());
  // One name, rebuilt in place for each suffix and extension tried.
  std::string name;
  name.reserve(plainPath.size() + 8);
  for (int suffix = 1; suffix <= kLastLogNameSuffix; ++suffix) {
    name.assign(stem);
    if (suffix > 1) {
      char digits[8];
      name += '-';
      name.append(digits, std::to_chars(digits, digits + sizeof digits, suffix).ptr);
    }
    const std::size_t stemSize = name.size();
    const auto taken = [&] {
      for (const std::string_view extension : kLogFileExtensions) {
        name.resize(stemSize);
        name += extension;
        if (platform::fileExists(name)) return true;
      }
      return false;
    };
    if (taken()) continue;
    name.resize(stemSize);
    name += kLogFileExtensions[0];
    if (platform::SharedFile::open(name, platform::SharedFile::Start::New).isOpen()) {
      return {std::move(name), true};
    }
    // Refused though free: the system's reason, not a race, unless the name
    // was taken meanwhile.
    if (!platform::fileExists(name)) return {std::move(name), false};
  }
  return {};
}

bool writeLogFile(const std::string& path, const LogBuffer& log, bool& created) {
  if (path.empty()) return false;
  using platform::SharedFile;
  SharedFile file =
      SharedFile::open(path, created ? SharedFile::Start::Empty : SharedFile::Start::New);
  if (!file.isOpen()) return false;
  created = true;
  bool ok = true;
  log.forEachChunk([&](std::span<const char> chunk) {
    if (ok) ok = file.write(chunk.data(), chunk.size()) == chunk.size();
  });
  return file.close() && ok;
}

}  // namespace cablog
