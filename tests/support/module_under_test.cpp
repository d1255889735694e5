#include "tests/support/module_under_test.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace cablog::testing {
namespace {

// By the path's native form: on Windows a wide path reaches any folder name,
// whatever the ANSI code page can express.
void* openModule(const std::filesystem::path& path) {
#ifdef _WIN32
  return reinterpret_cast<void*>(LoadLibraryW(path.c_str()));
#else
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}

void* symbol(void* module, const char* name) {
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
#else
  return dlsym(module, name);
#endif
}

void closeModule(void* module) {
#ifdef _WIN32
  FreeLibrary(static_cast<HMODULE>(module));
#else
  dlclose(module);
#endif
}

// Taken before any test moves the current directory.
const std::filesystem::path builtModule = std::filesystem::absolute(CABLOG_MODULE_FILE);

}  // namespace

const char* builtModuleName() {
  return CABLOG_MODULE_FILE;
}

template <typename Function>
void ModuleUnderTest::resolve(Function& function, const char* name) {
  function = reinterpret_cast<Function>(symbol(handle_, name));
  if (function == nullptr) missing_.emplace_back(name);
}

ModuleUnderTest::ModuleUnderTest(const std::filesystem::path& folder)
    : path_(folder / builtModuleName()) {
  std::filesystem::copy_file(builtModule, path_, std::filesystem::copy_options::overwrite_existing);
  handle_ = openModule(path_);
  if (handle_ == nullptr) throw std::runtime_error("cannot load " + path_.string());
  resolve(Load, "Load");
  resolve(Dispose, "Dispose");
  resolve(GetPluginVersion, "GetPluginVersion");
  resolve(SetVehicleSpec, "SetVehicleSpec");
  resolve(Initialize, "Initialize");
  resolve(Elapse, "Elapse");
  resolve(SetPower, "SetPower");
  resolve(SetBrake, "SetBrake");
  resolve(SetReverser, "SetReverser");
  resolve(KeyDown, "KeyDown");
  resolve(KeyUp, "KeyUp");
  resolve(HornBlow, "HornBlow");
  resolve(DoorOpen, "DoorOpen");
  resolve(DoorClose, "DoorClose");
  resolve(SetSignal, "SetSignal");
  resolve(SetBeaconData, "SetBeaconData");
}

ModuleUnderTest::~ModuleUnderTest() {
  if (handle_ != nullptr) closeModule(handle_);
}

}  // namespace cablog::testing
