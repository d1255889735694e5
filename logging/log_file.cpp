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
  if (path.ends_with(".csv")) path.resize(path.size() - 4);
  return path + ".rec";
}

bool writeLogFile(const std::string& path, const LogBuffer& log) {
  if (path.empty()) return false;
  platform::SharedFile file = platform::SharedFile::open(path, platform::SharedFile::Start::Empty);
  if (!file.isOpen()) return false;
  bool ok = true;
  log.forEachChunk([&](std::span<const char> chunk) {
    if (ok) ok = file.write(chunk.data(), chunk.size()) == chunk.size();
  });
  return file.close() && ok;
}

}  // namespace cablog
