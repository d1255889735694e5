#include "test_command.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "child_process.h"
#include "command_line.h"
#include "host_error.h"

namespace host {

namespace {

namespace fs = std::filesystem;

struct TestOptions {
  std::vector<std::string> scripts;
  std::string plugin;
  std::string module;
  bool chained = false;
  std::string junit;
  int jobs = 1;
  std::string timeout = "10";
  std::string fps;
  std::string out = "cablog-host-test";
};

const char* kTestUsage =
    "usage: cablog-host test SCRIPT... (--plugin PATH | --module PATH [--chained])\n"
    "                        [--junit FILE] [--jobs N] [--timeout SECONDS] [--fps N]\n"
    "                        [--out DIR]\n";

int parseJobs(const std::string& text) {
  int jobs = 0;
  try {
    jobs = std::stoi(text);
  } catch (const std::exception&) {
  }
  if (jobs < 1 || jobs > 64 || std::to_string(jobs) != text) {
    throw UsageError("--jobs '" + text + "': expected a whole number from 1 to 64");
  }
  return jobs;
}

TestOptions parseTestOptions(const std::vector<std::string>& args) {
  TestOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "--plugin")
      options.plugin = value();
    else if (arg == "--module")
      options.module = value();
    else if (arg == "--chained")
      options.chained = true;
    else if (arg == "--junit")
      options.junit = value();
    else if (arg == "--jobs")
      options.jobs = parseJobs(value());
    else if (arg == "--timeout")
      options.timeout = value();
    else if (arg == "--fps")
      options.fps = value();
    else if (arg == "--out")
      options.out = value();
    else if (arg.size() > 1 && arg[0] == '-')
      throw UsageError("unknown option " + arg);
    else
      options.scripts.push_back(arg);
  }
  if (options.scripts.empty()) throw UsageError("which scripts? (give one or more)");
  if (options.plugin.empty() == options.module.empty()) {
    throw UsageError("give the module to test: --plugin PATH or --module PATH");
  }
  if (options.chained && !options.plugin.empty()) throw UsageError("--chained goes with --module");
  return options;
}

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// cablog's INI, with a chained plug-in named relative to cablog's folder
// named absolute, so that the copy chains the same file.
std::string settingsForCopy(const fs::path& ini, const fs::path& folder) {
  std::istringstream in(readAll(ini));
  std::string text, line, section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') section = line;
    const std::size_t equals = line.find('=');
    if (section == "[Chain]" && equals != std::string::npos && line.rfind("Module", 0) == 0) {
      const fs::path named = pathOf(line.substr(equals + 1));
      if (!named.empty() && named.is_relative()) {
        line = line.substr(0, equals + 1) + (folder / named).lexically_normal().string();
      }
    }
    text += line + "\r\n";
  }
  return text;
}

// cablog, its settings and its columns, copied into the scenario's folder,
// where its log and recording are then written.
fs::path copyModule(const fs::path& module, const fs::path& folder) {
  const fs::path copy = folder / module.filename();
  fs::copy_file(module, copy);
  fs::path columns = module;
  if (fs::exists(columns.replace_extension(".csv"))) {
    fs::copy_file(columns, folder / columns.filename());
  }
  fs::path ini = module;
  if (fs::exists(ini.replace_extension(".ini"))) {
    std::ofstream(folder / ini.filename(), std::ios::binary)
        << settingsForCopy(ini, module.parent_path());
  }
  return copy;
}

std::vector<std::string> driveArguments(const TestOptions& options, const Scenario& scenario) {
  const fs::path folder = pathOf(scenario.folder);
  std::vector<std::string> args = {thisProgram()};
  if (!options.plugin.empty()) {
    args.insert(args.end(), {"--plugin", fs::absolute(pathOf(options.plugin)).string()});
  } else {
    args.insert(args.end(),
                {"--module", copyModule(fs::absolute(pathOf(options.module)), folder).string()});
    if (options.chained) args.push_back("--chained");
  }
  args.insert(args.end(), {"--timeout", options.timeout, "--record",
                           (folder / "calls.rec").string(), "--workdir", folder.string()});
  if (!options.fps.empty()) args.insert(args.end(), {"--fps", options.fps});
  // Read before the drive moves to its folder: as given, as the messages name it.
  args.push_back(scenario.script);
  return args;
}

void runScenario(const TestOptions& options, Scenario& scenario) {
  const auto start = std::chrono::steady_clock::now();
  const fs::path folder = pathOf(scenario.folder);
  std::error_code error;
  fs::remove_all(folder, error);
  fs::create_directories(folder, error);
  const fs::path output = folder / "output.txt";
  try {
    scenario.status = runProcess(driveArguments(options, scenario), output.string());
  } catch (const fs::filesystem_error& failed) {
    scenario.status = kExitCannotRun;
    std::ofstream(output, std::ios::binary) << "cablog-host test: " << failed.what() << "\n";
  }
  scenario.output = readAll(output);
  scenario.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  judge(scenario);
}

const char* outcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kPassed:
      return "passed";
    case Outcome::kFailed:
      return "failed";
    case Outcome::kCrashed:
      return "crashed";
    case Outcome::kTimedOut:
      return "timed out";
  }
  return "?";
}

std::string scenarioLine(const Scenario& scenario) {
  char time[32];
  std::snprintf(time, sizeof time, "%8.2f s", scenario.seconds);
  std::string line =
      std::string(outcomeName(scenario.outcome)) + "  " + time + "  " + scenario.script;
  if (!scenario.firstFailure.empty()) line += "\n    " + scenario.firstFailure;
  return line;
}

std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // XML 1.0 has no place for other control characters.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') {
          out += ' ';
        } else if (c != '\r') {
          out += c;
        }
    }
  }
  return out;
}

}  // namespace

void judge(Scenario& scenario) {
  std::istringstream lines(scenario.output);
  std::string line;
  scenario.failures.clear();
  scenario.firstFailure.clear();
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const bool failure = line.rfind(scenario.script + ":", 0) == 0;
    if (failure) scenario.failures.push_back(line);
    if (scenario.firstFailure.empty() && (failure || line.rfind("cablog-host", 0) == 0)) {
      scenario.firstFailure = line;
    }
  }
  switch (scenario.status) {
    case kExitHeld:
      scenario.outcome = Outcome::kPassed;
      scenario.firstFailure.clear();
      return;
    case kExitFailed:
    case kExitCannotRun:
      scenario.outcome = Outcome::kFailed;
      break;
    case kExitTimedOut:
      scenario.outcome = Outcome::kTimedOut;
      break;
    default:
      // 3, and whatever a process that died without a report ends with.
      scenario.outcome = Outcome::kCrashed;
  }
  if (scenario.firstFailure.empty()) {
    scenario.firstFailure = "exit status " + std::to_string(scenario.status);
  }
}

std::string summaryLine(const std::vector<Scenario>& scenarios) {
  std::size_t counts[4] = {};
  for (const Scenario& scenario : scenarios) ++counts[static_cast<int>(scenario.outcome)];
  return std::to_string(scenarios.size()) + " scenarios: " + std::to_string(counts[0]) +
         " passed, " + std::to_string(counts[1]) + " failed, " + std::to_string(counts[2]) +
         " crashed, " + std::to_string(counts[3]) + " timed out";
}

std::string junitXml(const std::vector<Scenario>& scenarios) {
  std::size_t failed = 0, errors = 0;
  double total = 0;
  for (const Scenario& s : scenarios) {
    failed += s.outcome == Outcome::kFailed;
    errors += s.outcome == Outcome::kCrashed || s.outcome == Outcome::kTimedOut;
    total += s.seconds;
  }
  std::ostringstream xml;
  xml << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuite name=\"cablog-host\" tests=\""
      << scenarios.size() << "\" failures=\"" << failed << "\" errors=\"" << errors << "\" time=\""
      << total << "\">\n";
  for (const Scenario& s : scenarios) {
    xml << "  <testcase name=\"" << escaped(pathOf(s.script).filename().string())
        << "\" classname=\"cablog-host\" file=\"" << escaped(s.script) << "\" time=\"" << s.seconds
        << "\">\n";
    if (s.outcome != Outcome::kPassed) {
      const char* element = s.outcome == Outcome::kFailed ? "failure" : "error";
      std::string body;
      for (const std::string& f : s.failures) body += f + "\n";
      xml << "    <" << element << " type=\"" << outcomeName(s.outcome) << "\" message=\""
          << escaped(s.firstFailure) << "\">" << escaped(body) << "</" << element << ">\n";
    }
    xml << "    <system-out>" << escaped(s.output) << "</system-out>\n  </testcase>\n";
  }
  xml << "</testsuite>\n";
  return xml.str();
}

int testCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TestOptions options;
  try {
    options = parseTestOptions(args);
  } catch (const UsageError& error) {
    err << "cablog-host test: " << error.what() << "\n\n" << kTestUsage;
    return kExitCannotRun;
  }
  std::vector<Scenario> scenarios(options.scripts.size());
  for (std::size_t i = 0; i < scenarios.size(); ++i) {
    scenarios[i].script = options.scripts[i];
    scenarios[i].folder =
        (fs::absolute(pathOf(options.out)) /
         (std::to_string(i + 1) + "-" + pathOf(options.scripts[i]).stem().string()))
            .string();
  }
  std::atomic<std::size_t> next{0};
  std::vector<std::thread> workers;
  for (int job = 0; job < options.jobs; ++job) {
    workers.emplace_back([&] {
      for (std::size_t i = next++; i < scenarios.size(); i = next++)
        runScenario(options, scenarios[i]);
    });
  }
  for (std::thread& worker : workers) worker.join();
  bool allPassed = true;
  for (const Scenario& scenario : scenarios) {
    out << scenarioLine(scenario) << "\n";
    allPassed = allPassed && scenario.outcome == Outcome::kPassed;
  }
  out << summaryLine(scenarios) << "\n";
  if (!options.junit.empty()) {
    std::ofstream junit(pathOf(options.junit), std::ios::binary | std::ios::trunc);
    junit << junitXml(scenarios);
    if (!junit.flush()) {
      err << "cablog-host test: cannot write " << options.junit << "\n";
      return kExitFailed;
    }
  }
  return allPassed ? kExitHeld : kExitFailed;
}

}  // namespace host
