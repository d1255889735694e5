// The built module, copied into a folder and loaded the way a host loads it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "plugin/entry_points.h"

namespace cablog::testing {

// File name of the built module (cablog.dll or cablog.so), found in the
// current directory when the tests start.
const char* builtModuleName();

// A path as the module sees its own: in the ANSI code page on Windows.
std::string systemPath(const std::filesystem::path& path);

// A module loaded from disk through the platform's loader, with its entry
// points (those it exports; the rest stay null).
class LoadedModule : public EntryPoints {
 public:
  // Throws when the module cannot be loaded.
  explicit LoadedModule(const std::filesystem::path& path);
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void* handle() const { return handle_; }
  // Names of the exports that could not be found.
  const std::vector<std::string>& missing() const { return missing_; }

 private:
  std::filesystem::path path_;
  void* handle_ = nullptr;
  std::vector<std::string> missing_;
};

// The built module, copied into `folder` under its own name and loaded.
class ModuleUnderTest : public LoadedModule {
 public:
  explicit ModuleUnderTest(const std::filesystem::path& folder);
};

}  // namespace cablog::testing
