#include "bench/host_module.h"

#include <fstream>
#include <stdexcept>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "logging/value_key.h"

namespace cablog::bench {
namespace {

void writeFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

std::string twentyColumnFile() {
  // From the key table, so that the runs follow it; lower case, as users
  // often write keys.
  std::string file;
  for (const NamedKey& named : kNamedKeys) {
    if (named.key > ValueKey::TimeHhmmss) break;
    for (const char c : named.name)
      file += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    file += ',';
    file += named.name;
    file += '\n';
  }
  return file;
}

std::filesystem::path scratchFolder(const char* name) {
#ifdef _WIN32
  const long pid = _getpid();
#else
  const long pid = getpid();
#endif
  return std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(pid));
}

std::filesystem::path prepareModuleFolder(const std::filesystem::path& builtModule,
                                          const std::filesystem::path& folder,
                                          std::int32_t interval, std::int32_t flushSeconds,
                                          bool record) {
  std::filesystem::create_directories(folder);
  const std::filesystem::path module = folder / builtModule.filename();
  std::filesystem::copy_file(builtModule, module,
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::path columns = module;
  writeFile(columns.replace_extension(".csv"), twentyColumnFile());
  std::filesystem::path settings = module;
  std::string ini = "[Frame]\nSkip=" + std::to_string(interval) + "\n";
  if (flushSeconds != 0 || record) ini += "[Log]\n";
  if (flushSeconds != 0) ini += "Flush=" + std::to_string(flushSeconds) + "\n";
  if (record) ini += "Record=1\n";
  writeFile(settings.replace_extension(".ini"), ini);
  return module;
}

LoadedModule loadHostModule(const std::filesystem::path& path) {
  LoadedModule module(path.string());
  if (!module.loaded()) {
    throw std::runtime_error("cannot load " + path.string() + ": " + module.error());
  }
  if (!module.missing().empty())
    throw std::runtime_error("missing export " + module.missing().front());
  return module;
}

VehicleState frameAt(std::uint64_t frame) {
  const double seconds = static_cast<double>(frame) / 60.0;
  VehicleState state{};
  const double speed = 80.0 * (1.0 - 1.0 / (1.0 + seconds / 60.0));  // km/h
  state.speed = static_cast<float>(speed);
  state.location = 1250.0 + speed / 3.6 * seconds;
  state.time = static_cast<std::int32_t>(21600000 + frame * 1000 / 60);
  state.bc = static_cast<float>(frame % 600) * 0.7333f;
  state.mr = 780.0f + static_cast<float>(frame % 97) * 0.125f;
  state.er = 490.0f - static_cast<float>(frame % 13) * 0.01f;
  state.bp = 490.0f;
  state.sap = static_cast<float>(frame % 400) / 3.0f;
  state.current = static_cast<float>(frame % 1000) - 300.5f;
  return state;
}

}  // namespace cablog::bench
