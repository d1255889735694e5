// The built module, copied into a folder and loaded the way a host loads it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "plugin/loaded_module.h"

namespace cablog::testing {

// File name of the built module (cablog.dll or cablog.so), found in the
// current directory when the tests start.
const char* builtModuleName();

// A path as the module takes one: UTF-8 on Windows, bytes elsewhere.
std::string systemPath(const std::filesystem::path& path);

// A module loaded through cablog's loader; throws when the system refuses
// it.
LoadedModule loadModule(const std::filesystem::path& path);

// The built module, copied into `folder` under its own name and loaded.
class ModuleUnderTest : public LoadedModule {
 public:
  explicit ModuleUnderTest(const std::filesystem::path& folder);
  // The copy that was loaded.
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace cablog::testing
