// Where the stand-in finds modules: the platform layer's loader, shared with
// cablog itself. Only the loader is shared: the records and the entry points
// stay the stand-in's own.
#pragma once

#include <string>

#include "platform/platform.h"

namespace host {

// File name of a module built for this system from its base name.
inline std::string moduleFileName(const std::string& stem) {
  return stem + std::string(cablog::platform::libraryFileExtension());
}

}  // namespace host
