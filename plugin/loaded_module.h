// Another module (a train's plug-in, or cablog's own module in the tests and
// benchmarks) loaded through the platform's loader, with the entry points it
// exports. The chain, the tests and the benchmarks all load through it. The
// host stand-in has a loader of its own (tools/host/common/plugin_module.h): it
// keeps its own copy of the records, so that it tests the binary interface
// rather than sharing cablog's view of it.
#pragma once

#include <string>
#include <vector>

#include "plugin/entry_points.h"

namespace cablog {

class LoadedModule : public EntryPoints {
 public:
  LoadedModule() = default;
  // Loads the module and finds its entry points; those it lacks stay null.
  // When the system refuses the module, nothing is loaded and error() says
  // why in the system's words.
  explicit LoadedModule(const std::string& path);
  LoadedModule(LoadedModule&& other) noexcept;
  LoadedModule& operator=(LoadedModule&& other) noexcept;
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  ~LoadedModule() { unload(); }

  bool loaded() const { return handle_ != nullptr; }
  void* handle() const { return handle_; }
  const std::string& error() const { return error_; }
  // The names of the entry points the module does not export.
  const std::vector<std::string>& missing() const { return missing_; }

  // Unloads the module now; every entry point becomes null.
  void unload();
  // Lets go of the module without unloading it.
  void abandon();

 private:
  void* handle_ = nullptr;
  std::string error_;
  std::vector<std::string> missing_;
};

}  // namespace cablog
