#include "drive_command.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>

#include "builtin_drive.h"
#include "chain_status.h"
#include "command_line.h"
#include "crash_report.h"
#include "drive.h"
#include "host_error.h"
#include "log_report.h"
#include "options.h"
#include "plugin_module.h"
#include "station_stops.h"
#include "train_model.h"

namespace host {

namespace {

namespace fs = std::filesystem;

std::string seconds(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", value);
  return text;
}

fs::path modulePath(const Options& options) {
  const std::string& given = options.plugin.empty() ? options.module : options.plugin;
  const fs::path path = pathOf(given.empty() ? moduleFileName("cablog") : given);
  std::error_code error;
  if (!fs::is_regular_file(path, error)) {
    throw HostError("no module at " + path.string() +
                    (given.empty() ? " (give one with --module)" : ""));
  }
  return fs::absolute(path);
}

void printChainStatus(const ChainStatus& status, std::ostream& out) {
  out << "chain status (" << status.file.filename().string() << "):\n";
  for (const std::string& line : status.lines) out << "  " << line << "\n";
}

// What a drive of cablog learns beside the drive itself: the log its own
// Load wrote and the chain it made.
struct Findings {
  std::optional<std::string> log;
  std::optional<ChainStatus> status;
};

DriveResult runDrive(const Options& options, const fs::path& module, const Script& script,
                     Findings& found, std::ostream& out) {
  const bool direct = !options.plugin.empty();
  // Log files keep the time of their last write; anything older is a
  // previous run's.
  const auto fileStart = fs::file_time_type::clock::now() - std::chrono::seconds(2);
  std::optional<LoadLock> lock;
  std::set<std::string> before;
  if (!direct) {
    lock.emplace(module.parent_path());
    before = logsIn(module.parent_path());
  }
  std::optional<HostRecorder> recorder;
  if (!options.record.empty()) recorder.emplace(options.record);
  // cablog writes the status at Load; a chain that was not made would
  // make the whole drive meaningless.
  const auto afterLoad = [&] {
    if (direct) return;
    found.log = newLog(before, logsIn(module.parent_path()));
    lock->release();
    found.status = readChainStatus(module, fileStart);
    if (!options.chained) return;
    const std::string why = whyNotChained(found.status, module);
    if (why.empty()) return;
    if (found.status) printChainStatus(*found.status, out);
    throw HostError(why);
  };
  const PluginModule plugin(module.string());
  const DriveSetup setup{options.fps,
                         options.chained || direct,
                         {options.realtime, options.crashAtMs},
                         recorder ? &*recorder : nullptr,
                         afterLoad};
  DriveResult result = drive(plugin.api(), script, setup);
  // Faults are noted in the status as they happen, after Load.
  if (found.status) found.status = readChainStatus(module, fileStart);
  return result;
}

void printLog(const fs::path& module, const Findings& found, std::ostream& out) {
  if (!found.log) {
    out << "log file:       none this run's Load wrote in " << module.parent_path().string()
        << "\n";
    return;
  }
  const fs::path log = module.parent_path() / *found.log;
  out << "log file:       " << log.string() << " (" << dataRows(log) << " rows)\n";
}

int report(const Options& options, const fs::path& module, const Script& script,
           const DriveResult& result, const Findings& found, double wallSeconds, std::ostream& out,
           std::ostream& err) {
  out << "frames driven:  " << result.frames << " at " << options.fps << " fps\n"
      << "simulated time: " << seconds(static_cast<double>(result.simulatedMs) / 1000) << "\n"
      << "wall time:      " << seconds(wallSeconds) << "\n";
  if (options.chained || !options.plugin.empty()) {
    out << "handles changed: on " << result.framesHandlesDiffered << " of " << result.frames
        << " frames the module handed back other handles than the driver's\n";
  }
  if (found.status) printChainStatus(*found.status, out);
  if (options.plugin.empty()) printLog(module, found, out);
  if (!options.record.empty()) out << "recording:      " << options.record << "\n";
  const auto stations = stationStops(script.route, result.stops, result.farthest);
  if (!stations.empty()) out << "stops at stations:\n";
  for (const StationStop& station : stations) out << "  " << stationLine(station) << "\n";
  if (result.expectations > 0 || !result.failures.empty()) {
    out << "expectations:   " << result.expectations << ", "
        << (result.failures.empty()
                ? "all held"
                : std::to_string(result.failures.size()) + " failed (listed on stderr)")
        << "\n";
  }
  out << std::flush;
  for (const std::string& failure : result.failures) err << failure << "\n";
  const std::string fault = found.status ? faultReport(*found.status) : std::string();
  if (!fault.empty()) {
    err << fault;
    return kExitCrashed;
  }
  return result.failures.empty() ? kExitHeld : kExitFailed;
}

// The script, and the route from its own lines or from --route, never both.
Script scriptOf(const Options& options) {
  Script script = options.script.empty()
                      ? parseScript(builtinDrive(), std::string(kBuiltinDriveName), kTrain)
                      : readScript(options.script, kTrain);
  if (options.route.empty()) return script;
  if (!script.route.items.empty() || script.route.line) {
    throw HostError(script.source + " has route lines of its own; give the route in one place");
  }
  script.route = readRouteFile(options.route);
  return script;
}

int driveWith(Options options, std::ostream& out, std::ostream& err) {
  if (options.printBuiltin) {
    out << builtinDrive();
    return kExitHeld;
  }
  // Everything the drive needs is checked before the module is touched.
  const fs::path module = modulePath(options);
  const Script script = scriptOf(options);
  // A path given on the command line means where the command was given.
  if (!options.record.empty()) options.record = fs::absolute(pathOf(options.record)).string();
  if (!options.workdir.empty()) {
    std::error_code error;
    fs::current_path(pathOf(options.workdir), error);
    if (error) throw HostError("cannot work in " + options.workdir + ": " + error.message());
  }
  static std::string moduleName;
  moduleName = module.string();
  callSite().module.store(moduleName.c_str());
  startWatchdog(options.timeoutSeconds);

  const auto wallStart = std::chrono::steady_clock::now();
  Findings found;
  const DriveResult result = runDrive(options, module, script, found, out);
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
  return report(options, module, script, result, found, wall.count(), out, err);
}

}  // namespace

int driveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    const Options options = parseOptions(args);
    if (options.help) {
      out << usageText();
      return kExitHeld;
    }
    return driveWith(options, out, err);
  } catch (const UsageError& error) {
    err << "cablog-host: " << error.what() << "\n\n" << usageText();
    return kExitCannotRun;
  } catch (const ModuleError& error) {
    err << "cablog-host: error: " << error.what() << "\n";
    return kExitFailed;
  } catch (const std::exception& error) {
    err << "cablog-host: error: " << error.what() << "\n";
    return kExitCannotRun;
  }
}

}  // namespace host
