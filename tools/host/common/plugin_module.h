// A plug-in module loaded from disk, with all sixteen entry points found.
//
// Only the platform layer's loader is shared with cablog. cablog's own
// wrapper of it (plugin/loaded_module.h) is not used here, nor its list of
// entry points: the stand-in keeps its own records and names, so that it
// tests the binary interface from the host's side rather than sharing
// cablog's view of it.
#pragma once

#include <string>
#include <vector>

#include "plugin_api.h"

namespace host {

// File name of a module built for this system from its base name.
std::string moduleFileName(const std::string& stem);

// The names of the entry points the stand-in resolves (tested against the
// module's export list).
std::vector<std::string> entryPointNames();

class PluginModule {
 public:
  // Throws HostError if the module cannot be loaded or lacks an export.
  explicit PluginModule(const std::string& path);
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  const PluginApi& api() const { return api_; }

 private:
  void* library_ = nullptr;
  PluginApi api_{};
};

}  // namespace host
