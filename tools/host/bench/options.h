// The command line of cablog-host.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

struct Options {
  std::string module;  // empty: the cablog module in the current directory
  std::string plugin;  // a train plug-in driven directly, with no cablog in between
  std::string script;  // empty: the built-in drive
  std::string route;   // a route file for a script without route lines; empty: none
  int fps = 60;
  std::string workdir;               // where the module looks for ./Ats.ini; empty: stay put
  bool chained = false;              // the module passes the calls on to a train's own plug-in
  bool realtime = false;             // pace the frames at wall-clock speed
  std::int64_t crashAtMs = -1;       // end the process abruptly there; -1: never
  std::string record;                // the stand-in's own recording of the calls; empty: none
  std::int64_t timeoutSeconds = 10;  // for one call into the module; 0: no watchdog
  bool help = false;
  bool printBuiltin = false;
};

inline constexpr int kMaxFps = 1000;

// `args` excludes the program name. Throws UsageError.
Options parseOptions(const std::vector<std::string>& args);

const char* usageText();

}  // namespace host
