#include "plugin_module.h"

#include <vector>

#include "host_error.h"
#include "library.h"

namespace host {

namespace {

template <typename Function>
void resolve(void* library, Function& function, const char* name,
             std::vector<std::string>& missing) {
  function = reinterpret_cast<Function>(findSymbol(library, name));
  if (function == nullptr) missing.emplace_back(name);
}

}  // namespace

PluginModule::PluginModule(const std::string& path) {
  std::string reason;
  library_ = openLibrary(path, reason);
  if (library_ == nullptr) throw HostError("cannot load module " + path + ": " + reason);

  std::vector<std::string> missing;
  resolve(library_, api_.Load, "Load", missing);
  resolve(library_, api_.Dispose, "Dispose", missing);
  resolve(library_, api_.GetPluginVersion, "GetPluginVersion", missing);
  resolve(library_, api_.SetVehicleSpec, "SetVehicleSpec", missing);
  resolve(library_, api_.Initialize, "Initialize", missing);
  resolve(library_, api_.Elapse, "Elapse", missing);
  resolve(library_, api_.SetPower, "SetPower", missing);
  resolve(library_, api_.SetBrake, "SetBrake", missing);
  resolve(library_, api_.SetReverser, "SetReverser", missing);
  resolve(library_, api_.KeyDown, "KeyDown", missing);
  resolve(library_, api_.KeyUp, "KeyUp", missing);
  resolve(library_, api_.HornBlow, "HornBlow", missing);
  resolve(library_, api_.DoorOpen, "DoorOpen", missing);
  resolve(library_, api_.DoorClose, "DoorClose", missing);
  resolve(library_, api_.SetSignal, "SetSignal", missing);
  resolve(library_, api_.SetBeaconData, "SetBeaconData", missing);
  if (!missing.empty()) {
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    closeLibrary(library_);
    library_ = nullptr;
    throw HostError("module " + path + " does not export " + names);
  }
}

PluginModule::~PluginModule() {
  if (library_ != nullptr) closeLibrary(library_);
}

}  // namespace host
