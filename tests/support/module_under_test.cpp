#include "tests/support/module_under_test.h"

#include <stdexcept>

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
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
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
