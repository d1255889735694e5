// The built module, loaded from a folder of its own the way a host loads it,
// with the column file and INI beside it that a run needs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "plugin/host_records.h"

namespace cablog::bench {

// The twenty keys the plug-in writes, one column each.
std::string twentyColumnFile();

// A folder under the system's temporary directory named after `name` and
// this process, so that runs at the same time never share files.
std::filesystem::path scratchFolder(const char* name);

// Copies the module into `folder` and writes its column file and an INI
// setting the sampling interval and, unless 0, the seconds between writes of
// a streamed log.
std::filesystem::path prepareModuleFolder(const std::filesystem::path& builtModule,
                                          const std::filesystem::path& folder,
                                          std::int32_t interval, std::int32_t flushSeconds = 0);

class HostModule {
 public:
  // Loads the module and resolves the exports a run calls; throws when the
  // module or one of them is missing.
  explicit HostModule(const std::filesystem::path& path);
  ~HostModule();
  HostModule(const HostModule&) = delete;
  HostModule& operator=(const HostModule&) = delete;

  void (*Load)() = nullptr;
  void (*Dispose)() = nullptr;
  HandleRecord (*Elapse)(VehicleState, std::int32_t*, std::int32_t*) = nullptr;
  void (*SetPower)(std::int32_t) = nullptr;
  void (*SetBrake)(std::int32_t) = nullptr;
  void (*SetReverser)(std::int32_t) = nullptr;
  void (*SetSignal)(std::int32_t) = nullptr;
  void (*SetBeaconData)(BeaconData) = nullptr;
  void (*DoorOpen)() = nullptr;
  void (*DoorClose)() = nullptr;

 private:
  template <typename Function>
  void resolve(Function& function, const char* name);

  void* handle_ = nullptr;
};

// A plausible frame: a train accelerating along the line, pressures moving.
VehicleState frameAt(std::uint64_t frame);

}  // namespace cablog::bench
