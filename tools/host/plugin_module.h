// A plug-in module loaded from disk, with all sixteen entry points found.
#pragma once

#include <string>
#include <vector>

#include "plugin_api.h"

namespace host {

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
