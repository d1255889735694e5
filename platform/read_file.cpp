#include "platform/native_file.h"
#include "platform/platform.h"

namespace cablog::platform::native {

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

void writeSmallFile(const std::string& path, std::string_view text, bool append) {
  std::FILE* file = openShared(path, append ? "ab" : "wb");
  if (file == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

}  // namespace cablog::platform::native
