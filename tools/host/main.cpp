// cablog-host: drives an ATS plug-in module through a run without the
// simulator, to try a column file or to test a build end to end.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "builtin_drive.h"
#include "drive.h"
#include "drive_script.h"
#include "host_error.h"
#include "library.h"
#include "log_report.h"
#include "options.h"
#include "plugin_module.h"
#include "replay.h"
#include "show.h"
#include "train_model.h"

namespace {

namespace fs = std::filesystem;

std::string seconds(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", value);
  return text;
}

fs::path modulePath(const host::Options& options) {
  const fs::path path =
      options.module.empty() ? fs::path(host::moduleFileName("cablog")) : fs::path(options.module);
  std::error_code error;
  if (!fs::is_regular_file(path, error)) {
    throw host::HostError("no module at " + path.string() +
                          (options.module.empty() ? " (give one with --module)" : ""));
  }
  return fs::absolute(path);
}

int run(const host::Options& options) {
  if (options.printBuiltin) {
    std::cout << host::builtinDrive();
    return 0;
  }
  // Everything the drive needs is checked before the module is touched.
  const fs::path module = modulePath(options);
  const host::Script script =
      options.script.empty() ? host::parseScript(host::builtinDrive(),
                                                 std::string(host::kBuiltinDriveName), host::kTrain)
                             : host::readScript(options.script, host::kTrain);
  if (!options.workdir.empty()) {
    std::error_code error;
    fs::current_path(options.workdir, error);
    if (error) throw host::HostError("cannot work in " + options.workdir + ": " + error.message());
  }

  const auto wallStart = std::chrono::steady_clock::now();
  // Log files keep the time of their last write; anything older is a
  // previous run's.
  const auto fileStart = fs::file_time_type::clock::now() - std::chrono::seconds(2);
  host::DriveResult result;
  {
    const host::PluginModule plugin(module.string());
    result = host::drive(plugin.api(), script, options.fps, host::kTrain, options.chained,
                         {options.realtime, options.crashAtMs});
  }
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;

  std::cout << "frames driven:  " << result.frames << " at " << options.fps << " fps\n"
            << "simulated time: " << seconds(static_cast<double>(result.simulatedMs) / 1000) << "\n"
            << "wall time:      " << seconds(wall.count()) << "\n";
  if (options.chained) {
    std::cout << "handles changed: on " << result.framesHandlesDiffered << " of " << result.frames
              << " frames the module handed back other handles than the driver's\n";
  }
  // cablog's note on the train plug-in it chained, when this run wrote one.
  fs::path status = module;
  status.replace_extension(".chain.txt");
  std::error_code error;
  if (fs::is_regular_file(status, error) && fs::last_write_time(status, error) >= fileStart) {
    std::ifstream in(status, std::ios::binary);
    std::string line;
    std::cout << "chain status (" << status.filename().string() << "):\n";
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::cout << "  " << line << "\n";
    }
  }
  const auto log = host::newestLog(module.parent_path(), fileStart);
  if (log) {
    std::cout << "log file:       " << log->string() << " (" << host::dataRows(*log) << " rows)\n";
  } else {
    std::cout << "log file:       none written in " << module.parent_path().string() << "\n";
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Subcommands on recordings, each with its own options and exit codes.
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "replay" || command == "show") {
    const std::vector<std::string> args(argv + 2, argv + argc);
    return command == "replay" ? host::replayCommand(args, std::cout, std::cerr)
                               : host::showCommand(args, std::cout, std::cerr);
  }
  try {
    const host::Options options =
        host::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help) {
      std::cout << host::usageText();
      return 0;
    }
    return run(options);
  } catch (const host::UsageError& error) {
    std::cerr << "cablog-host: " << error.what() << "\n\n" << host::usageText();
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "cablog-host: error: " << error.what() << "\n";
    return 1;
  }
}
