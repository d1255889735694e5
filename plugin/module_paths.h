// The files that sit beside the module, named after it.
#pragma once

#include <string>
#include <string_view>

namespace cablog {

struct ModulePaths {
  std::string settingsPath;     // the module's own INI file
  std::string columnsPath;      // the column definition file
  std::string directory;        // where the log is written
  std::string chainStatusPath;  // what became of the chained train plug-in
};

// Replaces the module file name's extension (whatever its case) by ".ini"
// and ".csv", or appends them to a name without one; a dot in a directory
// name is never taken for an extension. `separators` lists the characters
// that end a directory name.
ModulePaths deriveModulePaths(std::string_view modulePath, std::string_view separators);

// A path as the user wrote it in a setting, made absolute against `directory`
// (itself absolute) unless it already is (see platform::isAbsolutePath).
// Where backslashes separate, the two forms that would depend on the host's
// current directory get a fixed meaning instead: "\x" is taken on the drive
// (or share) of `directory`, and "C:x" from the root of its drive, "C:\x".
std::string resolveAgainst(std::string_view directory, std::string_view path,
                           std::string_view separators);

}  // namespace cablog
