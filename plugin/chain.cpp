#include "plugin/chain.h"

#include <cstdio>
#include <utility>

#include "platform/platform.h"
#include "settings/read_setting.h"

namespace cablog {
namespace {

// The status file's form of a version, upper-case digits. The host
// stand-in has a lower-case one of its own: it may include nothing of the
// plug-in's, and the platform layer, which both share, holds system calls
// only.
std::string hex(std::int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

// Short plain text for the user, who must learn that the train runs without
// its own plug-in; nothing reaches the simulator. Silent if it cannot be
// written.
void writeStatus(const std::string& statusPath, const std::string& text) {
  platform::writeSmallFile(statusPath, text, false);
}

}  // namespace

void Chain::build(const ModulePaths& paths, std::string_view separators, SettingSources& settings) {
  statusPath_ = paths.chainStatusPath;
  const std::optional<std::string> setting = readTextSetting(Setting::ChainModule, settings);
  if (!setting || setting->empty()) {
    // A status file from an earlier setting would tell of a chain that is gone.
    if (platform::fileExists(paths.chainStatusPath)) platform::removeFile(paths.chainStatusPath);
    return;
  }
  const std::string path = resolveAgainst(paths.directory, *setting, separators);
  const std::string refusal =
      setting->size() > kChainPathLimit
          ? "the setting is longer than " + std::to_string(kChainPathLimit) + " characters"
          : attach(path);
  std::string status;
  if (refusal.empty()) {
    status = "cablog chained the train's plug-in.\r\nmodule:  " + path +
             "\r\nversion: " + hex(kInterfaceVersion) + "\r\n";
  } else {
    status =
        "cablog did NOT chain the train's plug-in: the train runs without it.\r\nmodule:  " + path +
        "\r\nreason:  " + refusal + "\r\n";
  }
  writeStatus(paths.chainStatusPath, status);
}

std::string Chain::attach(const std::string& path) {
  if (!platform::fileExists(path)) return "there is no file of that name";
  // A module refused below is unloaded as `module` goes.
  LoadedModule module(path);
  if (!module.loaded()) return "it cannot be loaded as a module: " + module.error();
  if (platform::isThisModule(module.handle())) return "it is cablog itself";
  const std::vector<std::string>& missing = module.missing();
  if (!missing.empty()) {
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    return "it does not export " + names;
  }
  module.Load();
  const std::int32_t version = module.GetPluginVersion();
  if (version != kInterfaceVersion) {
    module.Dispose();
    return "it answers plug-in version " + hex(version) + "; only " + hex(kInterfaceVersion) +
           " can be chained";
  }
  module_ = std::move(module);
  path_ = path;
  return {};
}

void Chain::noteLoop() const {
  if (statusPath_.empty()) return;
  platform::writeSmallFile(statusPath_,
                           "The chain leads back to cablog: it was called again from within its "
                           "own call. Such calls do nothing, and the plug-ins run as if the chain "
                           "ended there.\r\n",
                           true);
}

void Chain::release() {
  if (!module_.loaded()) return;
  module_.Dispose();
  module_.unload();
  path_.clear();
}

}  // namespace cablog
