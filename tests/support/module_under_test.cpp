#include "tests/support/module_under_test.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#endif

namespace cablog::testing {
namespace {

// Taken before any test moves the current directory.
const std::filesystem::path builtModule = std::filesystem::absolute(CABLOG_MODULE_FILE);

std::filesystem::path copiedInto(const std::filesystem::path& folder) {
  const std::filesystem::path path = folder / builtModuleName();
  std::filesystem::copy_file(builtModule, path, std::filesystem::copy_options::overwrite_existing);
  return path;
}

}  // namespace

const char* builtModuleName() {
  return CABLOG_MODULE_FILE;
}

std::string systemPath(const std::filesystem::path& path) {
#ifdef _WIN32
  const std::wstring& wide = path.native();
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), size,
                      nullptr, nullptr);
  return narrow;
#else
  return path.string();
#endif
}

LoadedModule loadModule(const std::filesystem::path& path) {
  LoadedModule module(systemPath(path));
  if (!module.loaded())
    throw std::runtime_error("cannot load " + path.string() + ": " + module.error());
  return module;
}

ModuleUnderTest::ModuleUnderTest(const std::filesystem::path& folder) : path_(copiedInto(folder)) {
  LoadedModule::operator=(loadModule(path_));
}

}  // namespace cablog::testing
