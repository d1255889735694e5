#include "plugin_module.h"

#include <vector>

#include "host_error.h"
#include "platform/platform.h"

namespace host {

std::string moduleFileName(const std::string& stem) {
  return stem + std::string(cablog::platform::libraryFileExtension());
}

std::vector<std::string> entryPointNames() {
  std::vector<std::string> names;
  PluginApi none{};
  forEachEntryPoint(none, [&](const char* name, auto&) { names.emplace_back(name); });
  return names;
}

PluginModule::PluginModule(const std::string& path) {
  std::string reason;
  library_ = cablog::platform::loadLibrary(path, reason);
  if (library_ == nullptr) throw HostError("cannot load module " + path + ": " + reason);

  std::vector<std::string> missing;
  forEachEntryPoint(api_, [&](const char* name, auto& function) {
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
        cablog::platform::librarySymbol(library_, name));
    if (function == nullptr) missing.emplace_back(name);
  });
  if (!missing.empty()) {
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    cablog::platform::unloadLibrary(library_);
    library_ = nullptr;
    throw HostError("module " + path + " does not export " + names);
  }
}

PluginModule::~PluginModule() {
  if (library_ != nullptr) cablog::platform::unloadLibrary(library_);
}

}  // namespace host
