#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "platform/native_file.h"
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

std::optional<std::int32_t> nativeProfileInt(const std::string&, const char*, const char*,
                                             std::int32_t) {
  return std::nullopt;
}

std::optional<std::string> nativeProfileString(const std::string&, const char*, const char*,
                                               std::size_t) {
  return std::nullopt;
}

void* loadLibrary(const std::string& path, std::string& error) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "unknown reason";
  }
  return library;
}

void* librarySymbol(void* library, const char* name) {
  return dlsym(library, name);
}

void unloadLibrary(void* library) {
  dlclose(library);
}

bool isThisModule(void* library) {
  Dl_info info{};
  if (library == nullptr || dladdr(reinterpret_cast<const void*>(&isThisModule), &info) == 0 ||
      info.dli_fname == nullptr) {
    return false;
  }
  // Asks for this module's handle without loading anything.
  void* self = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
  if (self == nullptr) return false;
  dlclose(self);
  return self == library;
}

std::string_view libraryFileExtension() {
  return ".so";
}

std::tm localCalendarTime(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  return local;
}

std::FILE* openShared(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

namespace native {

std::intptr_t openFile(const std::string& path, SharedFile::Start start) {
  const int how = start == SharedFile::Start::New     ? O_EXCL
                  : start == SharedFile::Start::Empty ? O_TRUNC
                                                      : O_APPEND;
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | how;
  return ::open(path.c_str(), flags, 0666);
}

std::size_t writeFile(std::intptr_t handle, const char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(static_cast<int>(handle), data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

bool closeFile(std::intptr_t handle) {
  return ::close(static_cast<int>(handle)) == 0;
}

bool fileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool removeFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit,
                                           std::string& refusal) {
  // Not blocking: opening a pipe would otherwise wait for a writer for ever.
  const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file < 0) return std::nullopt;
  struct stat info {};
  std::optional<std::string> text;
  if (::fstat(file, &info) != 0 || S_ISDIR(info.st_mode)) {
  } else if (!S_ISREG(info.st_mode)) {
    refusal = "it is not a regular file";
  } else if (static_cast<std::uintmax_t>(info.st_size) > limit) {
    refusal = "it holds more than " + std::to_string(limit) + " bytes";
  } else {
    // One byte past the limit tells a file that grew meanwhile.
    text.emplace(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    for (;;) {
      if (done == text->size()) text->resize(std::min(limit + 1, text->size() * 2 + 4096));
      const ssize_t n = ::read(file, text->data() + done, text->size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
      if (done > limit) break;
    }
    text->resize(done);
    if (done > limit) {
      text.reset();
      refusal = "it holds more than " + std::to_string(limit) + " bytes";
    }
  }
  ::close(file);
  return text;
}

}  // namespace native
}  // namespace cablog::platform
