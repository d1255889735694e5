// The train's own plug-in, chained behind cablog: loaded at Load from the
// path under [Chain] Module= in cablog's own INI file, handed every call of
// the host, unloaded at Dispose.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plugin/entry_points.h"
#include "plugin/module_paths.h"
#include "settings/read_setting.h"

namespace cablog {

// The ANSI path limit: a longer setting is refused rather than loaded cut
// short (a cut path could name another module).
inline constexpr std::size_t kChainPathLimit = 259;

// Finds every entry point; returns the names of those the module lacks.
std::vector<std::string> resolveEntryPoints(void* library, EntryPoints& entries);

class Chain {
 public:
  // Reads the setting from `paths.settingsPath`. Without one, there is no
  // chain (and no status file). With one, loads the module, calls its Load
  // and GetPluginVersion, and writes the status file: chained, or why not.
  // A refused module is disposed (if its Load ran) and unloaded.
  void build(const ModulePaths& paths, std::string_view separators, SettingSources& settings);

  // Disposes and unloads the chained module, if there is one. Nothing calls
  // it when the host unloads cablog without Dispose: a module must not be
  // unloaded from within the system's unload notification.
  void release();

  // Adds to the status file that the chain leads back to cablog.
  void noteLoop() const;

  bool active() const { return library_ != nullptr; }
  const EntryPoints& entries() const { return entries_; }
  // The chained module's file, while there is one.
  const std::string& path() const { return path_; }

 private:
  // Empty on success, otherwise why the module was refused.
  std::string attach(const std::string& path);

  void* library_ = nullptr;
  EntryPoints entries_;
  std::string path_;
  std::string statusPath_;
};

}  // namespace cablog
