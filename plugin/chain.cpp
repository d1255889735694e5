#include "plugin/chain.h"

#include <cstdio>
#include <exception>
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

// What the exception being handled says, on one line of bounded length:
// the text comes from a module that has already failed.
std::string currentExceptionText() {
  constexpr std::size_t kLimit = 200;
  std::string text;
  try {
    throw;
  } catch (const std::exception& error) {
    const char* what = error.what();
    text = "an exception: ";
    for (std::size_t i = 0; what != nullptr && what[i] != '\0' && i < kLimit; ++i) {
      const auto c = static_cast<unsigned char>(what[i]);
      text += c < 0x20 || c == 0x7f ? ' ' : static_cast<char>(c);
    }
  } catch (...) {
    text = "an exception that is not a std::exception";
  }
  return text;
}

}  // namespace

std::size_t utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    units += (byte & 0xC0) == 0x80 ? 0 : byte >= 0xF0 ? 2 : 1;
  }
  return units;
}

std::string faultLine(std::uint64_t count, const ChainFault& first) {
  char where[160];
  std::snprintf(where, sizeof where, " at frame %llu, %.3f s, location %.3f m: ",
                static_cast<unsigned long long>(first.frame), first.timeMs / 1000.0,
                first.location);
  return "faults:  " + std::to_string(count) + "; first: " + std::string(first.call) + where +
         first.what + "\r\n";
}

void Chain::build(const ModulePaths& paths, std::string_view separators, SettingSources& settings) {
  statusPath_ = paths.chainStatusPath;
  status_.clear();
  faults_ = 0;
  brakedFrames_ = 0;
  firstFault_.reset();
  frame_ = 0;
  timeMs_ = 0;
  location_ = 0;
  const std::optional<std::string> setting = readTextSetting(Setting::ChainModule, settings);
  if (!setting || setting->empty()) {
    // A status file from an earlier setting would tell of a chain that is gone.
    if (platform::fileExists(paths.chainStatusPath)) platform::removeFile(paths.chainStatusPath);
    return;
  }
  const std::string path = resolveAgainst(paths.directory, *setting, separators);
  const std::string refusal =
      utf16Length(*setting) > kChainPathLimit
          ? "the setting is longer than " + std::to_string(kChainPathLimit) + " characters"
          : attach(path);
  if (refusal.empty()) {
    status_ = "cablog chained the train's plug-in.\r\nmodule:  " + path +
              "\r\nversion: " + hex(kInterfaceVersion) + "\r\n";
  } else {
    status_ =
        "cablog did NOT chain the train's plug-in: the train runs without it.\r\nmodule:  " + path +
        "\r\nreason:  " + refusal + "\r\n";
  }
  writeStatus();
}

// Short plain text for the user, who must learn that the train runs without
// its own plug-in, or that it failed; nothing reaches the simulator. Silent
// if it cannot be written.
void Chain::writeStatus() const {
  if (statusPath_.empty()) return;
  std::string text = status_;
  if (firstFault_) {
    text += faultLine(faults_, *firstFault_) + "brake:   on " + std::to_string(brakedFrames_) +
            " frames whose Elapse failed, cablog handed the simulator the emergency brake\r\n";
  }
  platform::writeSmallFile(statusPath_, text, false);
}

std::optional<HandleRecord> Chain::elapse(const VehicleState& state, std::int32_t* panel,
                                          std::int32_t* sound) noexcept {
  ++frame_;
  timeMs_ = state.time;
  location_ = state.location;
  try {
    return module_.Elapse(state, panel, sound);
  } catch (...) {
    ++brakedFrames_;
    noteFault("Elapse");
    return std::nullopt;
  }
}

void Chain::noteFault(std::string_view call) noexcept {
  ++faults_;
  try {
    if (!firstFault_) {
      firstFault_ = ChainFault{call, frame_, timeMs_, location_, currentExceptionText()};
    }
    writeStatus();
  } catch (...) {
    // Out of memory: the count stays, and the next fault tries again.
  }
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
  module_ = std::move(module);
  path_ = path;
  call(&EntryPoints::Load);
  std::int32_t version = 0;
  try {
    version = module_.GetPluginVersion();
  } catch (...) {
    noteFault("GetPluginVersion");
  }
  if (version != kInterfaceVersion) {
    release();
    return "it answers plug-in version " + hex(version) + "; only " + hex(kInterfaceVersion) +
           " can be chained";
  }
  return {};
}

void Chain::noteLoop() {
  if (statusPath_.empty()) return;
  status_ +=
      "The chain leads back to cablog: it was called again from within its own call. Such calls "
      "do nothing, and the plug-ins run as if the chain ended there.\r\n";
  writeStatus();
}

void Chain::release() {
  if (!module_.loaded()) return;
  call(&EntryPoints::Dispose);
  module_.unload();
  path_.clear();
}

}  // namespace cablog
