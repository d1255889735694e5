#include "options.h"

#include <charconv>

#include "host_error.h"

namespace host {

namespace {

int parseFps(const std::string& text) {
  int fps = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, fps);
  if (ec != std::errc() || ptr != end || fps < 1 || fps > kMaxFps) {
    throw UsageError("--fps '" + text + "': expected a whole number from 1 to " +
                     std::to_string(kMaxFps));
  }
  return fps;
}

std::int64_t parseTimeout(const std::string& text) {
  std::int64_t seconds = -1;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, seconds);
  if (ec != std::errc() || ptr != end || seconds < 0 || seconds > 86400) {
    throw UsageError("--timeout '" + text + "': expected whole seconds from 0 (no limit) to 86400");
  }
  return seconds;
}

// Seconds of simulated time, with up to three decimals, as in scripts.
std::int64_t parseCrashAt(const std::string& text) {
  double seconds = -1;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, seconds);
  if (ec != std::errc() || ptr != end || !(seconds >= 0) || seconds > 1e9) {
    throw UsageError("--crash-at '" + text + "': expected seconds of simulated time, 0 or more");
  }
  return static_cast<std::int64_t>(seconds * 1000 + 0.5);
}

// A lone option; false if `arg` is none of them.
bool parseFlag(const std::string& arg, Options& options) {
  if (arg == "-h" || arg == "--help") {
    options.help = true;
  } else if (arg == "--print-builtin") {
    options.printBuiltin = true;
  } else if (arg == "--chained") {
    options.chained = true;
  } else if (arg == "--realtime") {
    options.realtime = true;
  } else {
    return false;
  }
  return true;
}

// An option with a value; false if `arg` is none of them.
// `value` takes the word after `arg`.
template <typename Value>
bool parseValued(const std::string& arg, const Value& value, Options& options) {
  if (arg == "--module") {
    options.module = value();
  } else if (arg == "--plugin") {
    options.plugin = value();
  } else if (arg == "--record") {
    options.record = value();
  } else if (arg == "--fps") {
    options.fps = parseFps(value());
  } else if (arg == "--route") {
    options.route = value();
  } else if (arg == "--workdir") {
    options.workdir = value();
  } else if (arg == "--timeout") {
    options.timeoutSeconds = parseTimeout(value());
  } else if (arg == "--crash-at") {
    options.crashAtMs = parseCrashAt(value());
  } else {
    return false;
  }
  return true;
}

void checkTogether(const Options& options) {
  if (!options.plugin.empty() && !options.module.empty()) {
    throw UsageError("--plugin or --module, not both");
  }
  if (!options.plugin.empty() && options.chained) {
    throw UsageError("--chained is for cablog with a plug-in behind it, not for --plugin");
  }
}

}  // namespace

Options parseOptions(const std::vector<std::string>& args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (parseFlag(arg, options) || parseValued(arg, value, options)) continue;
    if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option " + arg);
    } else if (!options.script.empty()) {
      throw UsageError("only one drive script, please (got " + options.script + " and " + arg +
                       ")");
    } else {
      options.script = arg;
    }
  }
  checkTogether(options);
  return options;
}

const char* usageText() {
  return "usage: cablog-host [--module PATH [--chained] | --plugin PATH] [--record FILE]\n"
         "                   [--timeout SECONDS] [--fps N] [--workdir DIR] [--realtime]\n"
         "                   [--crash-at SECONDS] [--route FILE] [SCRIPT]\n"
         "       cablog-host --print-builtin\n"
         "       cablog-host test SCRIPT... (--plugin PATH | --module PATH [--chained])\n"
         "                   [--junit FILE] [--jobs N] [--timeout SECONDS] [--out DIR]\n"
         "       cablog-host replay RECORDING --module PATH [--report FILE]\n"
         "       cablog-host show RECORDING\n"
         "\n"
         "Loads an ATS plug-in module and drives it as the simulator would: Load,\n"
         "the vehicle set-up, one Elapse per frame with the scripted events and the\n"
         "beacons and signals the train passes before it, and Dispose. The train\n"
         "runs on the handles Elapse hands back. Without SCRIPT it runs the\n"
         "built-in drive (four minutes from one station to the next). Scripts\n"
         "also place beacons, signals and limits on the line and state what must\n"
         "happen: see cablog-host.md (tools/host/README.md in the sources).\n"
         "\n"
         "Exit status: 0 the drive ran and every expectation held; 1 an expectation\n"
         "failed or the module broke a host rule; 2 the drive could not run (bad\n"
         "usage, script or module, or --chained when cablog chained nothing); 3 the\n"
         "module crashed or its chained plug-in faulted; 4 a call did not return\n"
         "within --timeout.\n"
         "\n"
         "  --module PATH   the module to drive (default: the cablog module in the\n"
         "                  current directory)\n"
         "  --chained       the module chains a train's own plug-in ([Chain] in its\n"
         "                  INI file): it may hand back other handles and write the\n"
         "                  panel and sound arrays; the frames whose handles differ\n"
         "                  from the driver's are counted. Stops (exit 2) if the\n"
         "                  module's .chain.txt says nothing was chained\n"
         "  --plugin PATH   drive a train plug-in directly, with no cablog between:\n"
         "                  the train runs on its handles, no logger rule applies\n"
         "  --record FILE   write the stand-in's own recording of every call\n"
         "  --timeout SECONDS\n"
         "                  end with status 4 when a call has not returned after\n"
         "                  that long (default 10; 0: never)\n"
         "  --fps N         frames per simulated second, 1 to 1000 (default 60)\n"
         "  --workdir DIR   run in DIR, where the module reads ./Ats.ini\n"
         "                  (default: the current directory)\n"
         "  --realtime      pace the frames at wall-clock speed, so that the drive\n"
         "                  takes its simulated time (and a streamed log is as far\n"
         "                  on at a crash as in a real drive)\n"
         "  --crash-at SECONDS\n"
         "                  end the process abruptly at that simulated time,\n"
         "                  without Dispose, as a crashing simulator would\n"
         "                  (exit status 3)\n"
         "  --route FILE    the line, limits, signals and stations from FILE, for a\n"
         "                  script without 'line' and 'at' lines; the stop at each\n"
         "                  station is reported\n"
         "  --print-builtin print the built-in drive as a script and exit\n"
         "\n"
         "replay plays a recording that cablog made with [Log] Record=1 into a\n"
         "module and compares every frame's outputs; show prints it as text.\n";
}

}  // namespace host
