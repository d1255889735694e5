#include <share.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/native_file.h"
#include "platform/platform.h"

namespace {

HMODULE moduleHandle = nullptr;

// The ANSI file calls stop at MAX_PATH characters. Longer paths go through
// the wide calls in their extended form, which only absolute paths have;
// empty when the path cannot take that form.
std::wstring extendedPath(const std::string& path) {
  std::string full = path;
  for (char& c : full) {
    if (c == '/') c = '\\';
  }
  std::string prefix;
  if (full.size() > 2 && full[1] == ':' && full[2] == '\\') {
    prefix = "\\\\?\\";
  } else if (full.starts_with("\\\\") && !full.starts_with("\\\\?\\")) {
    prefix = "\\\\?\\UNC\\";
    full.erase(0, 2);
  } else if (!full.starts_with("\\\\?\\")) {
    return {};
  }
  full.insert(0, prefix);
  const int size =
      MultiByteToWideChar(CP_ACP, 0, full.data(), static_cast<int>(full.size()), nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, full.data(), static_cast<int>(full.size()), wide.data(), size);
  return wide;
}

bool isLong(const std::string& path) {
  return path.size() >= MAX_PATH;
}

bool isAbsolute(const std::string& path) {
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  return (path.size() > 2 && path[1] == ':' && separator(path[2])) ||
         (path.size() > 1 && separator(path[0]) && separator(path[1]));
}

std::string describe(DWORD code) {
  char text[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  const std::string number = "Windows error " + std::to_string(code);
  return message.empty() ? number : message + " (" + number + ")";
}

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
  HANDLE search;
  if (isLong(path)) {
    WIN32_FIND_DATAW found;
    search = FindFirstFileW(extendedPath(path).c_str(), &found);
  } else {
    WIN32_FIND_DATAA found;
    search = FindFirstFileA(path.c_str(), &found);
  }
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

std::optional<std::int32_t> nativeProfileInt(const std::string& path, const char* section,
                                             const char* key, std::int32_t fallback) {
  // The profile functions cannot reach a long path at all.
  if (isLong(path)) return std::nullopt;
  return static_cast<std::int32_t>(GetPrivateProfileIntA(section, key, fallback, path.c_str()));
}

std::optional<std::string> nativeProfileString(const std::string& path, const char* section,
                                               const char* key, std::size_t capacity) {
  if (isLong(path) || capacity == 0 || capacity > 0x7fffffff) return std::nullopt;
  std::string value(capacity, '\0');
  const DWORD length = GetPrivateProfileStringA(section, key, "", value.data(),
                                                static_cast<DWORD>(capacity), path.c_str());
  value.resize(length);
  return value;
}

void* loadLibrary(const std::string& path, std::string& error) {
  // Modules beside an absolute path come before the host's own folder.
  const DWORD flags = isAbsolute(path) ? LOAD_WITH_ALTERED_SEARCH_PATH : 0;
  // A module that cannot be loaded must not bring up a dialog in the host.
  DWORD previousMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
  // The altered search order takes backslashes only.
  std::string native = path;
  for (char& c : native) {
    if (c == '/') c = '\\';
  }
  HMODULE library = nullptr;
  DWORD code = ERROR_PATH_NOT_FOUND;
  if (isLong(native)) {
    const std::wstring wide = extendedPath(native);
    if (!wide.empty()) library = LoadLibraryExW(wide.c_str(), nullptr, flags);
  } else {
    library = LoadLibraryExA(native.c_str(), nullptr, flags);
  }
  if (library == nullptr && GetLastError() != 0) code = GetLastError();
  SetThreadErrorMode(previousMode, nullptr);
  if (library == nullptr) error = describe(code);
  return reinterpret_cast<void*>(library);
}

void* librarySymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void unloadLibrary(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

bool isThisModule(void* library) {
  return library != nullptr && static_cast<HMODULE>(library) == moduleHandle;
}

std::string_view libraryFileExtension() {
  return ".dll";
}

std::tm localCalendarTime(std::time_t time) {
  std::tm local{};
  localtime_s(&local, &time);
  return local;
}

std::FILE* openShared(const std::string& path, const char* mode) {
  if (isLong(path)) {
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    return _wfsopen(extendedPath(path).c_str(), wideMode.c_str(), _SH_DENYNO);
  }
  return _fsopen(path.c_str(), mode, _SH_DENYNO);
}

void endProcessAbruptly(int status) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  // TerminateProcess does not return for the calling process itself.
  for (;;) Sleep(INFINITE);
}

namespace native {

std::intptr_t openFile(const std::string& path, SharedFile::Start start) {
  // Others may read, write and even delete the log while it is open.
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const DWORD disposition = start == SharedFile::Start::Empty ? CREATE_ALWAYS : OPEN_ALWAYS;
  const HANDLE file = isLong(path)
                          ? CreateFileW(extendedPath(path).c_str(), GENERIC_WRITE, share, nullptr,
                                        disposition, FILE_ATTRIBUTE_NORMAL, nullptr)
                          : CreateFileA(path.c_str(), GENERIC_WRITE, share, nullptr, disposition,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  if (start == SharedFile::Start::AtEnd) {
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(file, LARGE_INTEGER{}, &end, FILE_END)) {
      CloseHandle(file);
      return -1;
    }
  }
  return reinterpret_cast<std::intptr_t>(file);
}

std::size_t writeFile(std::intptr_t handle, const char* data, std::size_t size) {
  const HANDLE file = reinterpret_cast<HANDLE>(handle);
  std::size_t done = 0;
  while (done < size) {
    // WriteFile takes at most 4 GiB - 1 at a time.
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, data + done, piece, &written, nullptr) || written == 0) break;
    done += written;
  }
  return done;
}

bool closeFile(std::intptr_t handle) {
  return CloseHandle(reinterpret_cast<HANDLE>(handle)) != 0;
}

}  // namespace native
}  // namespace cablog::platform
