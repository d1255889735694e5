#include "platform/native_file.h"
#include "platform/platform.h"
#include "platform/test_seams.h"

namespace cablog::platform {

std::optional<std::string> readFile(const std::string& path) {
  if (const MemoryFiles* files = memoryFilesInUse()) {
    const auto found = files->byPath.find(path);
    if (found == files->byPath.end()) return std::nullopt;
    return found->second;
  }
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
  if (MemoryFiles* files = memoryFilesInUse()) {
    std::string& bytes = files->byPath[path];
    if (!append) bytes.clear();
    bytes += text;
    return;
  }
  std::FILE* file = openShared(path, append ? "ab" : "wb");
  if (file == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

}  // namespace cablog::platform
