// cablog-host: drives an ATS plug-in module through a run without the
// simulator, to try a column file, to test a build end to end, or to test a
// train plug-in against what its drive script expects.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "builtin_drive.h"
#include "chain_status.h"
#include "crash_report.h"
#include "drive.h"
#include "drive_script.h"
#include "host_error.h"
#include "log_report.h"
#include "options.h"
#include "plugin_module.h"
#include "replay.h"
#include "show.h"
#include "station_stops.h"
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

void printChainStatus(const host::ChainStatus& status) {
  std::cout << "chain status (" << status.file.filename().string() << "):\n";
  for (const std::string& line : status.lines) std::cout << "  " << line << "\n";
}

int driveCommand(const host::Options& options) {
  if (options.printBuiltin) {
    std::cout << host::builtinDrive();
    return host::kExitHeld;
  }
  // Everything the drive needs is checked before the module is touched.
  const fs::path module = modulePath(options);
  host::Script script = options.script.empty()
                            ? host::parseScript(host::builtinDrive(),
                                                std::string(host::kBuiltinDriveName), host::kTrain)
                            : host::readScript(options.script, host::kTrain);
  if (!options.route.empty()) {
    if (!script.route.items.empty() || script.route.line) {
      throw host::HostError(script.source +
                            " has route lines of its own; give the route in one place");
    }
    script.route = host::readRouteFile(options.route);
  }
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
  std::optional<host::ChainStatus> status;
  {
    const host::PluginModule plugin(module.string());
    // cablog writes the status at Load; a chain that was not made would
    // make the whole drive meaningless.
    const auto checkChain = [&] {
      status = host::readChainStatus(module, fileStart);
      if (!options.chained) return;
      const std::string why = host::whyNotChained(status, module);
      if (why.empty()) return;
      if (status) printChainStatus(*status);
      throw host::HostError(why);
    };
    result = host::drive(plugin.api(), script, options.fps, options.chained,
                         {options.realtime, options.crashAtMs}, checkChain);
  }
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;

  std::cout << "frames driven:  " << result.frames << " at " << options.fps << " fps\n"
            << "simulated time: " << seconds(static_cast<double>(result.simulatedMs) / 1000) << "\n"
            << "wall time:      " << seconds(wall.count()) << "\n";
  if (options.chained) {
    std::cout << "handles changed: on " << result.framesHandlesDiffered << " of " << result.frames
              << " frames the module handed back other handles than the driver's\n";
  }
  if (status) printChainStatus(*status);
  const auto log = host::newestLog(module.parent_path(), fileStart);
  if (log) {
    std::cout << "log file:       " << log->string() << " (" << host::dataRows(*log) << " rows)\n";
  } else {
    std::cout << "log file:       none written in " << module.parent_path().string() << "\n";
  }
  const auto stations = host::stationStops(script.route, result.stops, result.farthest);
  if (!stations.empty()) std::cout << "stops at stations:\n";
  for (const host::StationStop& station : stations) {
    std::cout << "  " << host::stationLine(station) << "\n";
  }
  if (result.expectations > 0 || !result.failures.empty()) {
    std::cout << "expectations:   " << result.expectations << ", "
              << (result.failures.empty()
                      ? "all held"
                      : std::to_string(result.failures.size()) + " failed (listed on stderr)")
              << "\n";
  }
  std::cout << std::flush;
  for (const std::string& failure : result.failures) std::cerr << failure << "\n";
  return result.failures.empty() ? host::kExitHeld : host::kExitFailed;
}

int driveMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    const host::Options options = host::parseOptions(args);
    if (options.help) {
      out << host::usageText();
      return host::kExitHeld;
    }
    return driveCommand(options);
  } catch (const host::UsageError& error) {
    err << "cablog-host: " << error.what() << "\n\n" << host::usageText();
    return host::kExitCannotRun;
  } catch (const host::ModuleError& error) {
    err << "cablog-host: error: " << error.what() << "\n";
    return host::kExitFailed;
  } catch (const std::exception& error) {
    err << "cablog-host: error: " << error.what() << "\n";
    return host::kExitCannotRun;
  }
}

// The programs of the stand-in: a subcommand by its name, else a drive.
using Program = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);
struct Subcommand {
  std::string_view name;
  Program run;
};
constexpr Subcommand kSubcommands[] = {
    {"replay", host::replayCommand},
    {"show", host::showCommand},
};

}  // namespace

int main(int argc, char** argv) {
  // Whatever program runs, a module that crashes under it gets a report.
  host::installCrashReport();
  const std::string_view first = argc > 1 ? argv[1] : "";
  for (const Subcommand& subcommand : kSubcommands) {
    if (first == subcommand.name) {
      return subcommand.run({argv + 2, argv + argc}, std::cout, std::cerr);
    }
  }
  return driveMain({argv + 1, argv + argc}, std::cout, std::cerr);
}
