// cablog-host: drives an ATS plug-in module through a run without the
// simulator, to try a column file, to test a build end to end, or to test a
// train plug-in against what its drive script expects.
#include <algorithm>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "crash_report.h"
#include "drive_command.h"
#include "replay.h"
#include "show.h"
#include "test_command.h"

namespace {

// The programs of the stand-in: a subcommand by its name, else a drive.
using Program = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);
struct Subcommand {
  std::string_view name;
  Program run;
};
constexpr Subcommand kSubcommands[] = {
    {"replay", host::replayCommand},
    {"show", host::showCommand},
    {"test", host::testCommand},
};

}  // namespace

int main(int argc, char** argv) {
  // Whatever program runs, a module that crashes under it gets a report.
  host::installCrashReport();
  const std::vector<std::string> args = host::commandLine(argc, argv);
  const std::string_view first = args.size() > 1 ? std::string_view(args[1]) : "";
  for (const Subcommand& subcommand : kSubcommands) {
    if (first == subcommand.name) {
      return subcommand.run({args.begin() + 2, args.end()}, std::cout, std::cerr);
    }
  }
  return host::driveCommand({args.begin() + std::min<std::size_t>(args.size(), 1), args.end()},
                            std::cout, std::cerr);
}
