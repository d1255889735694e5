#include <dlfcn.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "platform/platform.h"

namespace cablog::platform {

std::string_view pathSeparators() {
  return "/";
}

std::string modulePath() {
  Dl_info info{};
  // Any address inside this module names it.
  if (dladdr(reinterpret_cast<const void*>(&modulePath), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  std::string path = info.dli_fname;
  if (!path.empty() && path.front() != '/') {
    // A module loaded by a relative name: make it absolute so that its
    // folder stays right whatever the host's current directory is later.
    std::unique_ptr<char, decltype(&std::free)> absolute(realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (absolute) path = absolute.get();
  }
  return path;
}

bool fileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

std::optional<std::int32_t> nativeProfileInt(const std::string&, const char*, const char*,
                                             std::int32_t) {
  return std::nullopt;
}

std::tm localCalendarTime(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  return local;
}

std::FILE* openShared(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

}  // namespace cablog::platform
