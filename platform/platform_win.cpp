#include <share.h>
#include <windows.h>

#include <cstdio>
#include <ctime>

#include "platform/platform.h"

namespace {

HMODULE moduleHandle = nullptr;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/) {
  moduleHandle = instance;
  return TRUE;
}

namespace cablog::platform {

std::string_view pathSeparators() {
  return "\\/";
}

std::string modulePath() {
  // A path may exceed MAX_PATH: grow the buffer until the whole name fits.
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameA(moduleHandle, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768 * 4) return {};
    path.resize(path.size() * 2);
  }
}

bool fileExists(const std::string& path) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

std::int32_t profileInt(const std::string& path, const char* section, const char* key,
                        std::int32_t fallback) {
  return static_cast<std::int32_t>(GetPrivateProfileIntA(section, key, fallback, path.c_str()));
}

LocalDateTime localNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_s(&local, &now);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::FILE* openShared(const std::string& path, const char* mode) {
  return _fsopen(path.c_str(), mode, _SH_DENYNO);
}

}  // namespace cablog::platform
