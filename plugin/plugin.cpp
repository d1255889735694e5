#include "plugin/plugin.h"

#include "logging/column_file.h"
#include "logging/log_file.h"
#include "logging/plugin_readings.h"
#include "platform/platform.h"
#include "plugin/emergency_brake.h"
#include "plugin/module_paths.h"
#include "settings/read_setting.h"

namespace cablog {
namespace {

using recording::CallTag;

// The chained plug-in's entry point for each call.
template <CallTag tag>
constexpr auto entryOf() {
#define CABLOG_ENTRY_OF(name, method, number, shape) \
  if constexpr (tag == CallTag::name) return &EntryPoints::name; else
  CABLOG_HOST_CALLS(CABLOG_ENTRY_OF)
#undef CABLOG_ENTRY_OF
  return nullptr;
}

// True when `value` differs from the last one (or there was none), which
// it then becomes.
bool changes(std::optional<std::int32_t>& last, std::int32_t value) {
  if (last == value) return false;
  last = value;
  return true;
}

// The plug-in events of a frame: each returned value that differs from the
// previous frame's.
void notePluginEvents(Logger& logger, const std::optional<HandleRecord>& last,
                      const HandleRecord& decided) {
  if (!last || last->brake != decided.brake) noteEvent(logger, LogEvent::PluginBrake);
  if (!last || last->power != decided.power) noteEvent(logger, LogEvent::PluginPower);
  if (!last || last->reverser != decided.reverser) noteEvent(logger, LogEvent::PluginReverser);
  if (!last || last->constantSpeed != decided.constantSpeed) {
    noteEvent(logger, LogEvent::PluginConstantSpeed);
  }
}

// What of the files a run is made from was refused, one line each, for the
// status file; empty when nothing was.
std::string refusedInputs(const SettingSources& settings, const ModulePaths& paths,
                          const std::string& columnsRefusal) {
  std::string lines;
  const auto note = [&](const std::string& path, const std::string& reason) {
    if (!reason.empty())
      lines += "cablog wrote no log: it refused " + path + ": " + reason + "\r\n";
  };
  note(kSharedSettingsPath, settings.shared.refusal());
  note(paths.settingsPath, settings.own.refusal());
  note(paths.columnsPath, columnsRefusal);
  return lines;
}

// The settings of a Load, each from its files, held to its range
// (settings/settings_table.h).
struct LoadSettings {
  std::int32_t interval;
  std::int32_t flushSeconds;
  std::int32_t periodMs;
  bool eventRows;
  bool record;
};

LoadSettings readLoadSettings(SettingSources& settings) {
  return {readIntSetting(Setting::Skip, settings), readIntSetting(Setting::Flush, settings),
          readIntSetting(Setting::Period, settings),
          readIntSetting(Setting::Events, settings) != 0,
          readIntSetting(Setting::Record, settings) > 0};
}

// What a Load makes ready before it touches the running log, so that a Load
// that finds no memory leaves the earlier log going on as it was.
struct NewLog {
  ColumnList columns;
  LogBuffer header;
  std::vector<ValueKey> arrayKeys;
  bool logged = false;  // whether it writes a file at all
  std::string plainName;
  ClaimedName name;
};

// Each Load starts a log of its own; the values the host reported stay.
// Nothing here allocates but the streamed log's copy of the header, which it
// can do without.
void startLog(Logger& logger, const LoadSettings& chosen, NewLog&& log) {
  logger.framesAfterEventLook = 0;
  logger.lastTime = 0;
  logger.lastSpeed = 0.0f;
  logger.columns = std::move(log.columns);
  logger.logBuffer = std::move(log.header);
  logger.logPath = std::move(log.name.path);
  logger.sampleInterval = log.logged ? chosen.interval : 0;
  logger.periodMs = chosen.periodMs;
  // By time, the first frame is a periodic row.
  logger.framesToSample = logger.periodMs > 0 ? 1 : logger.sampleInterval;
  logger.firstRowDue = logger.periodMs > 0;
  logger.eventRows = chosen.eventRows;
  logger.events.clear();
  logger.stream = LogStream{};
  logger.stream.flushSeconds = chosen.flushSeconds;
  logger.stream.created = log.name.created;
  if (!log.name.created) logger.stream.claimFrom = std::move(log.plainName);
  logger.arrayKeys = std::move(log.arrayKeys);
  forgetPluginReadings(logger.values);
  // The file holds the header from the start, so that a run the host ends
  // without Dispose still leaves a log.
  if (logger.stream.flushSeconds > 0) {
    startStreaming(logger.stream, logger.logBuffer, logger.logPath);
  } else if (log.name.created) {
    writeLogFile(logger.logPath, logger.logBuffer, logger.stream.created);
  }
}

}  // namespace

void Plugin::load(const std::string& modulePath) {
  reentered_ = reentryNoted_ = false;
  // The earlier run's log is written first, as at Dispose, with one more
  // attempt if that fails; only then does its chained plug-in go.
  if (!finishLog()) finishLog();
  chain.release();
  const std::string_view separators = platform::pathSeparators();
  const ModulePaths paths = deriveModulePaths(modulePath, separators);
  SettingSources settings(paths.settingsPath);
  const LoadSettings chosen = readLoadSettings(settings);
  recorder.stop();

  NewLog log;
  const std::string refused =
      refusedInputs(settings, paths, readColumns(log.columns, log.header, paths.columnsPath));
  log.arrayKeys = arrayKeysNamedBy(log.columns);
  logger.values.reserve(ValueKey::Events, kEventsCellCapacity);
  // A module whose folder is unknown (no path at all, or a relative one the
  // system could not resolve) writes no log, never one at the root of the
  // file system nor wherever the host's current directory happens to be,
  // and so keeps no rows either. Nor does a run whose files were refused:
  // its log would not be the one asked for.
  const bool folderKnown = platform::isAbsolutePath(paths.directory, separators);
  log.logged = folderKnown && refused.empty();
  if (log.logged) {
    log.plainName = logFilePath(paths.directory, platform::localNow(), separators.front());
    log.name = claimLogName(log.plainName);
  }
  startLog(logger, chosen, std::move(log));
  lastDecided_.reset();
  // Without a folder a chain could be neither found nor reported on.
  if (folderKnown) chain.build(paths, separators, settings);
  if (folderKnown && !refused.empty())
    platform::writeSmallFile(paths.chainStatusPath, refused, true);
  if (chosen.record) {
    const RecordedModule chained =
        chain.active() ? describeModule(chain.path(), separators) : RecordedModule{};
    recorder.start(recordingPathFor(logger.logPath), logger.stream.flushSeconds, chained);
    recorder.followLog(logger.logPath);
  }
}

std::int32_t Plugin::pluginVersion() {
  if (recorder.active()) recorder.call(CallTag::GetPluginVersion);
  return kInterfaceVersion;
}

bool Plugin::finishLog() {
  return cablog::finishLog(logger.stream, logger.logBuffer, logger.logPath);
}

void Plugin::reportReentry() {
  if (!reentered_ || reentryNoted_) return;
  reentryNoted_ = true;
  chain.noteLoop();
}

HandleRecord Plugin::decideChained(const VehicleState& state, std::int32_t* panel,
                                   std::int32_t* sound) {
  const std::optional<HandleRecord> answer = chain.elapse(state, panel, sound);
  // The plug-in decided nothing: the train brakes rather than run on the
  // driver's handles with its safety system silently gone.
  const HandleRecord decided =
      answer ? *answer : emergencyBrake(vehicleBrakeNotches_, highestBrake_, echoed());
  if (!answer) {
    noteEvent(logger, LogEvent::PluginFault);
    if (recorder.active()) recorder.markFaulted();
  }
  notePluginEvents(logger, lastDecided_, decided);
  lastDecided_ = decided;
  decided_ = {decided.brake, decided.power, decided.reverser, decided.constantSpeed, panel, sound};
  return decided;
}

void Plugin::dispose() {
  // The log first, with one more attempt as at a second Load, then the
  // recording, then the chain: a failure of one must not keep the others
  // from being done.
  try {
    if (!finishLog()) finishLog();
  } catch (...) {
    // The log stays in memory for another Dispose.
  }
  try {
    if (recorder.active()) recorder.call(CallTag::Dispose);
    recorder.followLog(logger.logPath);
    recorder.finish();
  } catch (...) {
    // What of the recording did not fit is lost; the calls before it stay.
  }
  chain.release();
  // Rows the host still asks for must not show what the chain last decided.
  forgetPluginReadings(logger.values);
}

// Each call records first, then stores what the log shows of it and its
// event, then reaches the chained plug-in.
template <recording::CallTag tag, typename Note, typename... Args>
void Plugin::report(const Note& note, const Args&... args) {
  if (recorder.active()) recorder.call(tag, args...);
  note();
  if (chain.active()) chain.call(entryOf<tag>(), args...);
}

void Plugin::noteChange(ValueKey key, std::optional<std::int32_t>& last, LogEvent event,
                        std::int32_t value) {
  logger.values.setInt(key, value);
  if (changes(last, value)) noteEvent(logger, event);
}

void Plugin::setVehicleSpec(const VehicleSpec& vehicle) {
  report<CallTag::SetVehicleSpec>(
      [&] {
        ValueTable& v = logger.values;
        v.setInt(ValueKey::VehicleBrakeNotches, vehicle.brakeNotches);
        v.setInt(ValueKey::VehiclePowerNotches, vehicle.powerNotches);
        v.setInt(ValueKey::VehicleNotch3, vehicle.notch3);
        v.setInt(ValueKey::VehicleNotch4, vehicle.notch4);
        v.setInt(ValueKey::VehicleCars, vehicle.cars);
        noteEvent(logger, LogEvent::Vehicle);
        vehicleBrakeNotches_ = vehicle.brakeNotches;
      },
      vehicle);
}

void Plugin::initialize(std::int32_t brakeMode) {
  report<CallTag::Initialize>(
      [&] {
        logger.values.setInt(ValueKey::Initialize, brakeMode);
        noteEvent(logger, LogEvent::Initialize);
      },
      brakeMode);
}

// A key beyond the KEY_n columns still makes its event.
void Plugin::keyDown(std::int32_t key) {
  report<CallTag::KeyDown>(
      [&] {
        if (const auto slot = keySlotOf(key)) logger.values.setBool(*slot, true);
        noteEvent(logger, LogEvent::KeyDown, key);
      },
      key);
}

void Plugin::keyUp(std::int32_t key) {
  report<CallTag::KeyUp>(
      [&] {
        if (const auto slot = keySlotOf(key)) logger.values.setBool(*slot, false);
        noteEvent(logger, LogEvent::KeyUp, key);
      },
      key);
}

void Plugin::hornBlow(std::int32_t horn) {
  report<CallTag::HornBlow>(
      [&] {
        logger.values.setInt(ValueKey::Horn, horn);
        noteEvent(logger, LogEvent::Horn, horn);
      },
      horn);
}

// The driver's handle is taken first: a call dropped later, when the
// recording finds no memory, must not leave the host a stale position.
void Plugin::setPower(std::int32_t notch) {
  echo.power = notch;
  report<CallTag::SetPower>([&] { noteChange(ValueKey::Power, lastPower_, LogEvent::Power, notch); },
                            notch);
}

void Plugin::setBrake(std::int32_t notch) {
  echo.brake = notch;
  report<CallTag::SetBrake>(
      [&] {
        noteChange(ValueKey::Brake, lastBrake_, LogEvent::Brake, notch);
        if (!highestBrake_ || notch > *highestBrake_) highestBrake_ = notch;
      },
      notch);
}

void Plugin::setReverser(std::int32_t position) {
  echo.reverser = position;
  report<CallTag::SetReverser>(
      [&] { noteChange(ValueKey::Reverser, lastReverser_, LogEvent::Reverser, position); }, position);
}

void Plugin::setSignal(std::int32_t aspect) {
  report<CallTag::SetSignal>(
      [&] { noteChange(ValueKey::Signal, lastSignal_, LogEvent::Signal, aspect); }, aspect);
}

void Plugin::setBeaconData(const BeaconData& beacon) {
  report<CallTag::SetBeaconData>(
      [&] {
        ValueTable& v = logger.values;
        v.setInt(ValueKey::BeaconType, beacon.type);
        v.setInt(ValueKey::BeaconSignal, beacon.signal);
        v.setFloat(ValueKey::BeaconDistance, beacon.distance);
        v.setInt(ValueKey::BeaconOptional, beacon.optional);
        noteEvent(logger, LogEvent::Beacon);
      },
      beacon);
}

// The pilot lamp is lit while the doors are shut.
void Plugin::doorOpen() {
  report<CallTag::DoorOpen>([&] {
    logger.values.setBool(ValueKey::PilotLamp, false);
    noteEvent(logger, LogEvent::DoorOpen);
  });
}

void Plugin::doorClose() {
  report<CallTag::DoorClose>([&] {
    logger.values.setBool(ValueKey::PilotLamp, true);
    noteEvent(logger, LogEvent::DoorClose);
  });
}

}  // namespace cablog
