#include "platform/platform.h"

namespace cablog::platform {

bool isAbsolutePath(std::string_view path, std::string_view separators) {
  const auto separator = [&](std::size_t i) {
    return i < path.size() && separators.find(path[i]) != std::string_view::npos;
  };
  if (separators.find('\\') == std::string_view::npos) return separator(0);
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return (drive && separator(2)) || (separator(0) && separator(1));
}

}  // namespace cablog::platform
