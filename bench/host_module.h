// The built module, loaded from a folder of its own the way a host loads it,
// with the column file and INI beside it that a run needs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "plugin/loaded_module.h"

namespace cablog::bench {

// The twenty keys of every frame and setter, one column each.
std::string twentyColumnFile();

// A folder under the system's temporary directory named after `name` and
// this process, so that runs at the same time never share files.
std::filesystem::path scratchFolder(const char* name);

// Copies the module into `folder` and writes its column file and an INI
// setting the sampling interval, unless 0 the seconds between writes of a
// streamed log, and whether to record the calls.
std::filesystem::path prepareModuleFolder(const std::filesystem::path& builtModule,
                                          const std::filesystem::path& folder,
                                          std::int32_t interval, std::int32_t flushSeconds = 0,
                                          bool record = false);

// Loads the module through cablog's loader, as the chain does; throws when
// the module or one of its entry points is missing.
LoadedModule loadHostModule(const std::filesystem::path& path);

// A plausible frame: a train accelerating along the line, pressures moving.
VehicleState frameAt(std::uint64_t frame);

}  // namespace cablog::bench
