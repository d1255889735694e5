#include "logging/log_file.h"

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
  std::string path(directory);
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
  for (int suffix = 1; suffix <= kLastLogNameSuffix; ++suffix) {
    std::string name(stem);
    if (suffix > 1) name += "-" + std::to_string(suffix);
    const auto taken = [&] {
      for (const std::string_view extension : kLogFileExtensions) {
        if (platform::fileExists(name + std::string(extension))) return true;
      }
      return false;
    };
    if (taken()) continue;
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
