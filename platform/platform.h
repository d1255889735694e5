// What differs between Windows and POSIX, kept behind one small interface:
// the calls the plug-in makes. One source file per platform implements it;
// nothing else includes an OS header. The files and the steady clock are
// reached through a backend chosen when a program is linked: the disk and
// the system's clock (disk_backend.cpp) in everything that ships, memory
// files, injected faults and a settable clock in the tests and fuzz targets
// (tests/support/test_backend.cpp, seams in tests/support/test_seams.h), so
// that no test hook ships. The host stand-in's own system calls are in its
// files. Paths are the system's bytes on POSIX and UTF-8 on Windows, where
// every file call is a wide one, so that no folder name is out of reach.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace cablog::platform {

struct LocalDateTime {
  int year;    // e.g. 2021
  int month;   // 1 to 12
  int day;     // 1 to 31
  int hour;    // 0 to 23
  int minute;  // 0 to 59
  int second;  // 0 to 60
};

// Characters that end a directory name in a path; the first one is used to
// join paths.
std::string_view pathSeparators();

// Whether a path names its place from a root rather than from whatever the
// host's current directory happens to be: "/x" where only slashes separate;
// "C:\x", "C:/x", "\\server\x" and "\\?\x" where backslashes do too. Neither
// "\x" (the current drive's root) nor "C:x" (the current directory of drive
// C) is: each depends on the host's current directory.
bool isAbsolutePath(std::string_view path, std::string_view separators = pathSeparators());

// Full path of the plug-in module itself, whatever its length; empty if the
// system cannot tell.
std::string modulePath();

// Whether anything (a file or a folder) exists under that name; "*" and "?"
// are characters of the name, never wildcards.
bool fileExists(const std::string& path);

// Deletes a file; false when it cannot.
bool removeFile(const std::string& path);

// The system's own INI lookup: the integer under [section] key=, or
// `fallback` when the section or the key is missing or the value is empty.
// Nothing when the system has no such lookup or cannot reach the file; the
// caller then reads the file itself.
std::optional<std::int32_t> nativeProfileInt(const std::string& path, const char* section,
                                             const char* key, std::int32_t fallback);

// The system's own INI lookup of a text: the value under [section] key=, cut
// to `capacity` - 1 characters as the system's buffer of `capacity` cuts it,
// or an empty text when the section or the key is missing; in UTF-8 on
// Windows, the capacity counting UTF-16 units. Nothing when the system has
// no such lookup or cannot reach the file.
std::optional<std::string> nativeProfileString(const std::string& path, const char* section,
                                               const char* key, std::size_t capacity);

// Loading another module (a shared library) by its path, finding its
// exports and unloading it. An absolute path is loaded so that the modules
// lying beside it are found first; a path longer than MAX_PATH is reached
// through its extended form. Null on failure, with
// `error` saying why in the system's words.
void* loadLibrary(const std::string& path, std::string& error);
// Null when the module does not export `name`.
void* librarySymbol(void* library, const char* name);
void unloadLibrary(void* library);
// Whether a loaded module is the very module this code lives in.
bool isThisModule(void* library);

// ".dll" or ".so": what a module file's name ends in here.
std::string_view libraryFileExtension();

LocalDateTime localNow();

// The calendar fields of a moment in local time, through the thread-safe
// call each system has for it.
std::tm localCalendarTime(std::time_t time);

// Opens a file without denying other processes read or write access.
// `mode` is a C stdio mode; callers use binary modes only.
std::FILE* openShared(const std::string& path, const char* mode);

// Writes a short text file whole, replacing it, or adds to its end;
// silent when it cannot.
void writeSmallFile(const std::string& path, std::string_view text, bool append);

// A file open for writing that other programs may read, write and delete
// while it is open. Closed when it goes out of scope.
class SharedFile {
 public:
  // New creates the file and fails when anything exists under its name, so
  // that nobody else's file is ever emptied; Empty and AtEnd are for a file
  // cablog created itself.
  enum class Start { New, Empty, AtEnd };

  // Creates the file, or opens an existing one either emptied or to write
  // after its end. The result is not open when the system refuses.
  static SharedFile open(const std::string& path, Start start);

  SharedFile() = default;
  SharedFile(SharedFile&& other) noexcept : handle_(other.handle_) { other.handle_ = kClosed; }
  SharedFile& operator=(SharedFile&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = other.handle_;
      other.handle_ = kClosed;
    }
    return *this;
  }
  SharedFile(const SharedFile&) = delete;
  SharedFile& operator=(const SharedFile&) = delete;
  ~SharedFile() { close(); }

  bool isOpen() const { return handle_ != kClosed; }
  // Hands the bytes to the system (no flush to the disk); returns how many
  // it took, fewer than given when a write failed.
  std::size_t write(const char* data, std::size_t size);
  // Whether every byte handed over so far was accepted at closing.
  bool close();

 private:
  static constexpr std::intptr_t kClosed = -1;
  explicit SharedFile(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_ = kClosed;
};

// The whole file, or nothing when it cannot be opened. A read error ends the
// text where it happened.
std::optional<std::string> readFile(const std::string& path);

// The bytes of a regular file of at most `limit` bytes; nothing, with
// `refusal` empty, when there is no such file or it is a folder, else with
// `refusal` saying why (a device, a pipe, a larger file).
std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit,
                                           std::string& refusal);

// The steady clock, which times a streamed file's writes.
std::chrono::steady_clock::time_point steadyNow();

// The most a settings or column file may hold: what people write is a few
// KiB, and a larger file is a mistake (or something else under that name).
inline constexpr std::size_t kTextFileLimit = std::size_t{1} << 20;

struct TextFile {
  // UTF-8. A UTF-16 file (either byte order, told by its byte order mark) is
  // converted, its mark becoming UTF-8's; other bytes are kept as they are.
  std::optional<std::string> text;
  // Why a file that is there was not read: empty when it was, or when there
  // is no file of that name (or a folder).
  std::string refusal;
};

// A text file people write, read only when it is a regular file of at most
// `limit` bytes: never a device, a pipe or anything that has no end.
TextFile readTextFile(const std::string& path, std::size_t limit = kTextFileLimit);

}  // namespace cablog::platform
