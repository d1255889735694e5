#include <share.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>

#include "platform/native_file.h"
#include "platform/platform.h"
#include "platform/wide_text.h"

namespace {

// The extended form turns off the system's handling of "." and "..", so the
// path is made whole first.
std::wstring extendedPath(const std::wstring& wide) {
  if (wide.starts_with(L"\\\\?\\")) return wide;
  const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return {};
  full.resize(length);
  if (full.starts_with(L"\\\\?\\")) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string describe(DWORD code) {
  wchar_t text[512] = {};
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, text, std::size(text), nullptr);
  std::string message = cablog::platform::utf8Of({text, length});
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  const std::string number = "Windows error " + std::to_string(code);
  return message.empty() ? number : message + " (" + number + ")";
}

// The module this code is linked into: the plug-in's DLL, or the program of
// a test. Null when the system cannot tell.
HMODULE thisModule() {
  // Any address inside the module names it; asking leaves its reference
  // count as it is.
  static const wchar_t anchor = 0;
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          &anchor, &module)) {
    return nullptr;
  }
  return module;
}

}  // namespace

namespace cablog::platform {

std::wstring wideOf(std::string_view text) {
  if (text.empty() || text.size() > 0x7fffffff) return {};
  const int bytes = static_cast<int>(text.size());
  UINT page = CP_UTF8;
  int size = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data(), bytes, nullptr, 0);
  if (size <= 0) {
    page = CP_ACP;
    size = MultiByteToWideChar(page, 0, text.data(), bytes, nullptr, 0);
  }
  if (size <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(page, 0, text.data(), bytes, wide.data(), size);
  return wide;
}

std::string utf8Of(std::wstring_view wide) {
  if (wide.empty() || wide.size() > 0x7fffffff) return {};
  const int units = static_cast<int>(wide.size());
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, text.data(), size, nullptr, nullptr);
  return text;
}

std::wstring systemPath(std::string_view path) {
  std::wstring wide = wideOf(path);
  // The plain calls stop at MAX_PATH characters.
  if (wide.size() < MAX_PATH) return wide;
  if (!path.starts_with("\\\\?\\") && !isAbsolutePath(path)) return {};
  return extendedPath(wide);
}

namespace {

// A path as the wide file calls take it. Nearly every path is short and is
// converted into the object itself, so that naming a file takes no memory:
// a write or a check made when memory has run out fails or answers as the
// system does, and never throws out of a frame. A long path takes its
// extended form, which needs some.
class WidePath {
 public:
  explicit WidePath(std::string_view path) {
    if (path.empty() || path.size() >= 0x7fffffff) return;
    const int bytes = static_cast<int>(path.size());
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), bytes, short_,
                                    MAX_PATH - 1);
    if (units == 0 && GetLastError() == ERROR_NO_UNICODE_TRANSLATION) {
      units = MultiByteToWideChar(CP_ACP, 0, path.data(), bytes, short_, MAX_PATH - 1);
    }
    if (units > 0) {
      short_[units] = L'\0';
      return;
    }
    short_[0] = L'\0';
    long_ = systemPath(path);
  }
  const wchar_t* c_str() const { return long_.empty() ? short_ : long_.c_str(); }

 private:
  wchar_t short_[MAX_PATH] = {};
  std::wstring long_;
};

}  // namespace

std::string_view pathSeparators() {
  return "\\/";
}

std::string modulePath() {
  // Null would name the host's program instead.
  const HMODULE module = thisModule();
  if (module == nullptr) return {};
  // A path may exceed MAX_PATH: grow the buffer until the whole name fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return utf8Of({path.data(), length});
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

std::optional<std::int32_t> nativeProfileInt(const std::string& path, const char* section,
                                             const char* key, std::int32_t fallback) {
  // The profile functions cannot reach a long path at all.
  const std::wstring file = wideOf(path);
  if (file.empty() || file.size() >= MAX_PATH) return std::nullopt;
  return static_cast<std::int32_t>(
      GetPrivateProfileIntW(wideOf(section).c_str(), wideOf(key).c_str(), fallback, file.c_str()));
}

std::optional<std::string> nativeProfileString(const std::string& path, const char* section,
                                               const char* key, std::size_t capacity) {
  const std::wstring file = wideOf(path);
  if (file.empty() || file.size() >= MAX_PATH || capacity == 0 || capacity > 0x7fffffff) {
    return std::nullopt;
  }
  std::wstring value(capacity, L'\0');
  const DWORD length =
      GetPrivateProfileStringW(wideOf(section).c_str(), wideOf(key).c_str(), L"", value.data(),
                               static_cast<DWORD>(capacity), file.c_str());
  return utf8Of({value.data(), length});
}

void* loadLibrary(const std::string& path, std::string& error) {
  // Modules beside an absolute path come before the host's own folder.
  const DWORD flags = isAbsolutePath(path) ? LOAD_WITH_ALTERED_SEARCH_PATH : 0;
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
  const WidePath wide(native);
  if (*wide.c_str() != L'\0') library = LoadLibraryExW(wide.c_str(), nullptr, flags);
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
  return library != nullptr && static_cast<HMODULE>(library) == thisModule();
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
  wchar_t wideMode[8] = {};
  for (std::size_t i = 0; i + 1 < std::size(wideMode) && mode[i] != '\0'; ++i) {
    wideMode[i] = static_cast<wchar_t>(mode[i]);
  }
  return _wfsopen(WidePath(path).c_str(), wideMode, _SH_DENYNO);
}

namespace native {

std::intptr_t openFile(const std::string& path, SharedFile::Start start) {
  // Others may read, write and even delete the log while it is open.
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const DWORD disposition = start == SharedFile::Start::New     ? CREATE_NEW
                            : start == SharedFile::Start::Empty ? CREATE_ALWAYS
                                                                : OPEN_ALWAYS;
  const HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, share, nullptr,
                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
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

bool fileExists(const std::string& path) {
  // Attributes, unlike a directory search, take "*" and "?" literally.
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES;
}

bool removeFile(const std::string& path) {
  return DeleteFileW(WidePath(path).c_str()) != 0;
}

std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit,
                                           std::string& refusal) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  // Without FILE_FLAG_BACKUP_SEMANTICS a folder is not opened at all.
  const HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_READ, share, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::string> text;
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK) {
    refusal = "it is not a regular file";
  } else if (!GetFileSizeEx(file, &size)) {
  } else if (static_cast<unsigned long long>(size.QuadPart) > limit) {
    refusal = "it holds more than " + std::to_string(limit) + " bytes";
  } else {
    text.emplace(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    DWORD n = 0;
    while (
        done < text->size() &&
        ReadFile(file, text->data() + done, static_cast<DWORD>(text->size() - done), &n, nullptr) &&
        n > 0) {
      done += n;
    }
    text->resize(done);
  }
  CloseHandle(file);
  return text;
}

}  // namespace native
}  // namespace cablog::platform
