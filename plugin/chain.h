// The train's own plug-in, chained behind cablog: loaded at Load from the
// path under [Chain] Module= in cablog's own INI file, handed every call of
// the host, unloaded at Dispose.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/entry_points.h"
#include "plugin/loaded_module.h"
#include "plugin/module_paths.h"
#include "settings/read_setting.h"

namespace cablog {

// The first call into the chained plug-in that failed, and where the train
// was: the frame is the count of Elapse calls since Load (0 before the
// first), the time and location those of the last one.
struct ChainFault {
  std::string_view call;
  std::uint64_t frame = 0;
  std::int32_t timeMs = 0;
  double location = 0;
  std::string what;
};

// The status file's line for `count` faults, the first of them `first`:
// "faults:  N; first: CALL at frame F, T s, location L m: WHAT".
std::string faultLine(std::uint64_t count, const ChainFault& first);

// The system's path limit, in UTF-16 units: a longer setting is refused
// rather than loaded cut short (a cut path could name another module).
inline constexpr std::size_t kChainPathLimit = 259;

// The UTF-16 units a UTF-8 text takes: a character beyond the first 65,536
// takes two.
std::size_t utf16Length(std::string_view utf8);

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
  void noteLoop();

  bool active() const { return module_.loaded(); }

  // Each call into the chained plug-in goes through one of these two, which
  // catch what the plug-in throws at the boundary: it is counted as a fault
  // and the status file tells the count and the first. A plug-in that failed
  // is called again on the next call.
  //
  // What the plug-in decided for this frame; nothing when its Elapse failed.
  std::optional<HandleRecord> elapse(const VehicleState& state, std::int32_t* panel,
                                     std::int32_t* sound) noexcept;
  // Any other call; false when it failed.
  template <typename Entry, typename... Args>
  bool call(Entry EntryPoints::*entry, Args... args) noexcept {
    try {
      (module_.*entry)(args...);
      return true;
    } catch (...) {
      noteFault(entryPointName(entry));
      return false;
    }
  }
  std::uint64_t faults() const { return faults_; }
  // The chained module's file, while there is one.
  const std::string& path() const { return path_; }

 private:
  // Empty on success, otherwise why the module was refused.
  std::string attach(const std::string& path);
  // Counts the exception being handled as a fault of `call` and rewrites
  // the status file. Called from within a handler only.
  void noteFault(std::string_view call) noexcept;
  // The status text and, after a fault, the fault line.
  void writeStatus() const;

  LoadedModule module_;
  std::string path_;
  std::string statusPath_;
  // What the status file says of the chain, without the fault line.
  std::string status_;
  std::uint64_t faults_ = 0;
  std::uint64_t brakedFrames_ = 0;
  std::optional<ChainFault> firstFault_;
  // Where the train was at the last Elapse, for a fault's report.
  std::uint64_t frame_ = 0;
  std::int32_t timeMs_ = 0;
  double location_ = 0;
};

}  // namespace cablog
