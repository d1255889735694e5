// The built module, copied into a folder and loaded the way a host loads it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "plugin/host_records.h"

namespace cablog::testing {

// File name of the built module (cablog.dll or cablog.so), found in the
// current directory when the tests start.
const char* builtModuleName();

class ModuleUnderTest {
 public:
  // Copies the built module into `folder` under its own name and loads it.
  explicit ModuleUnderTest(const std::filesystem::path& folder);
  ~ModuleUnderTest();
  ModuleUnderTest(const ModuleUnderTest&) = delete;
  ModuleUnderTest& operator=(const ModuleUnderTest&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Names of the exports that could not be found.
  const std::vector<std::string>& missing() const { return missing_; }

  void (*Load)() = nullptr;
  void (*Dispose)() = nullptr;
  std::int32_t (*GetPluginVersion)() = nullptr;
  void (*SetVehicleSpec)(std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                         std::int32_t) = nullptr;
  void (*Initialize)(std::int32_t) = nullptr;
  HandleRecord (*Elapse)(VehicleState, std::int32_t*, std::int32_t*) = nullptr;
  void (*SetPower)(std::int32_t) = nullptr;
  void (*SetBrake)(std::int32_t) = nullptr;
  void (*SetReverser)(std::int32_t) = nullptr;
  void (*KeyDown)(std::int32_t) = nullptr;
  void (*KeyUp)(std::int32_t) = nullptr;
  void (*HornBlow)(std::int32_t) = nullptr;
  void (*DoorOpen)() = nullptr;
  void (*DoorClose)() = nullptr;
  void (*SetSignal)(std::int32_t) = nullptr;
  void (*SetBeaconData)(BeaconData) = nullptr;

 private:
  template <typename Function>
  void resolve(Function& function, const char* name);

  std::filesystem::path path_;
  void* handle_ = nullptr;
  std::vector<std::string> missing_;
};

}  // namespace cablog::testing
