// The train's own plug-in, chained behind cablog: loaded at Load from the
// path under [Chain] Module= in cablog's own INI file, handed every call of
// the host, unloaded at Dispose.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plugin/entry_points.h"
#include "plugin/loaded_module.h"
#include "plugin/module_paths.h"
#include "settings/read_setting.h"

namespace cablog {

// The ANSI path limit: a longer setting is refused rather than loaded cut
// short (a cut path could name another module).
inline constexpr std::size_t kChainPathLimit = 259;

class Chain {
 public:
  Chain() = default;
  Chain(const Chain&) = delete;
  Chain& operator=(const Chain&) = delete;
  // The one Plugin, and its Chain, are destroyed when the host unloads
  // cablog. A chained module still held then (no Dispose came) stays loaded:
  // a module must not be unloaded from within the system's unload
  // notification.
  ~Chain() { module_.abandon(); }

  // Reads the setting from `paths.settingsPath`. Without one, there is no
  // chain (and no status file). With one, loads the module, calls its Load
  // and GetPluginVersion, and writes the status file: chained, or why not.
  // A refused module is disposed (if its Load ran) and unloaded.
  void build(const ModulePaths& paths, std::string_view separators, SettingSources& settings);

  // Disposes and unloads the chained module, if there is one.
  void release();

  // Adds to the status file that the chain leads back to cablog.
  void noteLoop() const;

  bool active() const { return module_.loaded(); }
  const EntryPoints& entries() const { return module_; }
  // The chained module's file, while there is one.
  const std::string& path() const { return path_; }

 private:
  // Empty on success, otherwise why the module was refused.
  std::string attach(const std::string& path);

  LoadedModule module_;
  std::string path_;
  std::string statusPath_;
};

}  // namespace cablog
