#include "platform/platform.h"

namespace cablog::platform {

std::optional<std::string> readFile(const std::string& path) {
  std::FILE* file = openShared(path, "rb");
  if (file == nullptr) return std::nullopt;
  std::string text;
  char chunk[64 * 1024];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
  std::fclose(file);
  return text;
}

}  // namespace cablog::platform
