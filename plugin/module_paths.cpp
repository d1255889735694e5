#include "plugin/module_paths.h"

#include <algorithm>

#include "platform/platform.h"

namespace cablog {
namespace {

std::string withExtension(std::string_view stem, std::string_view extension) {
  std::string path;
  path.reserve(stem.size() + extension.size());
  path += stem;
  path += extension;
  return path;
}

// The folder part, as the shell's own path functions leave it: a root keeps
// its separator ("C:\", "/"), a bare file name leaves nothing.
std::string_view directoryOf(std::string_view path, std::size_t lastSeparator) {
  if (lastSeparator == std::string_view::npos) return {};
  const bool isRoot = lastSeparator == 0 || (lastSeparator == 2 && path[1] == ':');
  return path.substr(0, isRoot ? lastSeparator + 1 : lastSeparator);
}

}  // namespace

ModulePaths deriveModulePaths(std::string_view modulePath, std::string_view separators) {
  const std::size_t lastSeparator = modulePath.find_last_of(separators);
  const std::size_t nameStart = lastSeparator == std::string_view::npos ? 0 : lastSeparator + 1;
  const std::size_t dot = modulePath.find_last_of('.');
  const std::string_view stem =
      dot != std::string_view::npos && dot >= nameStart ? modulePath.substr(0, dot) : modulePath;
  return {withExtension(stem, ".ini"), withExtension(stem, ".csv"),
          std::string(directoryOf(modulePath, lastSeparator)), withExtension(stem, ".chain.txt")};
}

std::string resolveAgainst(std::string_view directory, std::string_view path,
                           std::string_view separators) {
  const auto isSeparator = [&](char c) { return separators.find(c) != std::string_view::npos; };
  if (platform::isAbsolutePath(path, separators) || directory.empty()) return std::string(path);
  const bool drives = separators.find('\\') != std::string_view::npos;
  if (drives && path.size() >= 2 && path[1] == ':') {
    return std::string(path.substr(0, 2)) + separators.front() + std::string(path.substr(2));
  }
  if (drives && !path.empty() && isSeparator(path.front())) {
    // The root of the folder's drive ("C:") or share ("\\server\share").
    std::size_t root = 2;
    if (isSeparator(directory.front())) {
      const std::size_t server = directory.find_first_of(separators, 2);
      root = server == std::string_view::npos ? directory.size()
                                              : directory.find_first_of(separators, server + 1);
    }
    return std::string(directory.substr(0, std::min(root, directory.size()))) + std::string(path);
  }
  std::string joined(directory);
  if (!isSeparator(joined.back())) joined += separators.front();
  joined += path;
  return joined;
}

}  // namespace cablog
