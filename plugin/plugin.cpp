#include "plugin/plugin.h"

#include <algorithm>

#include "logging/column_definitions.h"
#include "logging/log_file.h"
#include "logging/log_rows.h"
#include "logging/log_stream.h"
#include "logging/plugin_readings.h"
#include "platform/platform.h"
#include "plugin/module_paths.h"
#include "settings/ini_int_setting.h"

namespace cablog {
namespace {

// The header and the columns, read into the given places: Load builds the
// next log apart from the current one, so that a failure leaves that intact.
void readColumns(ColumnList& columns, LogBuffer& header, const std::string& columnsPath) {
  if (const auto bytes = platform::readFile(columnsPath)) {
    if (bytes->starts_with(kUtf8ByteOrderMark)) header.appendText(kUtf8ByteOrderMark);
    for (ColumnDefinition& definition : parseColumnDefinitions(*bytes)) {
      appendHeaderCell(header, definition.label);
      const auto known = knownKey(definition.key);
      columns.push_back({std::move(definition.key), known});
    }
  }
  endHeaderRow(header);
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

  IniIntSetting interval = frameSkipSetting();
  interval.loadFrom(kSharedSettingsPath);
  interval.loadFrom(paths.settingsPath);
  IniIntSetting flush = flushSetting();
  flush.loadFrom(kSharedSettingsPath);
  flush.loadFrom(paths.settingsPath);

  ColumnList columns;
  LogBuffer header;
  readColumns(columns, header, paths.columnsPath);
  std::vector<ValueKey> arrayKeys = arrayKeysNamedBy(columns);
  // A module whose folder is unknown (no path at all, or a relative one the
  // system could not resolve) writes no log, never one at the root of the
  // file system nor wherever the host's current directory happens to be,
  // and so keeps no rows either.
  const bool folderKnown = platform::isAbsolutePath(paths.directory, separators);
  ClaimedName name =
      folderKnown
          ? claimLogName(logFilePath(paths.directory, platform::localNow(), separators.front()))
          : ClaimedName{};

  // Each Load starts a log of its own; the values the host reported stay.
  // Nothing from here on allocates but the streamed log's copy of the header,
  // which it can do without.
  logger.frameCounter = 0;
  logger.lastTime = 0;
  logger.lastSpeed = 0.0f;
  logger.columns = std::move(columns);
  logger.logBuffer = std::move(header);
  logger.logPath = std::move(name.path);
  logger.sampleInterval = folderKnown ? std::max(interval.value, std::int32_t{1}) : 0;
  logger.framesToSample = logger.sampleInterval;
  logger.stream = LogStream{};
  logger.stream.flushSeconds = clampFlushSeconds(flush.value);
  logger.stream.created = name.created;
  logger.arrayKeys = std::move(arrayKeys);
  forgetPluginReadings(logger.values);
  // The file holds the header from the start, so that a run the host ends
  // without Dispose still leaves a log.
  if (logger.stream.flushSeconds > 0) {
    startStreaming(logger.stream, logger.logBuffer, logger.logPath);
  } else if (name.created) {
    writeLogFile(logger.logPath, logger.logBuffer, logger.stream.created);
  }
  // Without a folder a chain could be neither found nor reported on.
  if (folderKnown) chain.build(paths, separators);
}

bool Plugin::finishLog() {
  if (logger.stream.flushSeconds > 0) {
    return finishStreaming(logger.stream, logger.logBuffer, logger.logPath);
  }
  return writeLogFile(logger.logPath, logger.logBuffer, logger.stream.created);
}

void Plugin::reportReentry() {
  if (!reentered_ || reentryNoted_) return;
  reentryNoted_ = true;
  chain.noteLoop();
}

HandleRecord Plugin::elapseChained(const VehicleState& state, std::int32_t* panel,
                                   std::int32_t* sound) {
  const HandleRecord decided = chain.entries().Elapse(state, panel, sound);
  if (countFrame(logger)) {
    const PluginReadings plugin{decided.brake,    decided.power, decided.reverser,
                                decided.reserved, panel,         sound};
    FrameReadings readings = readingsOf(state);
    readings.plugin = &plugin;
    sampleFrame(logger, readings);
  }
  return decided;
}

void Plugin::dispose() {
  try {
    finishLog();
  } catch (...) {
    // The log stays in memory for another Dispose; the chain must go still.
  }
  chain.release();
}

// Each call records first, then reaches the chained plug-in.
void Plugin::setVehicleSpec(const VehicleSpec& vehicle) {
  if (chain.active()) chain.entries().SetVehicleSpec(vehicle);
}
void Plugin::initialize(std::int32_t brakeMode) {
  if (chain.active()) chain.entries().Initialize(brakeMode);
}
void Plugin::keyDown(std::int32_t key) {
  if (chain.active()) chain.entries().KeyDown(key);
}
void Plugin::keyUp(std::int32_t key) {
  if (chain.active()) chain.entries().KeyUp(key);
}
void Plugin::hornBlow(std::int32_t horn) {
  if (chain.active()) chain.entries().HornBlow(horn);
}

void Plugin::setPower(std::int32_t notch) {
  echo.power = notch;
  logger.values.setInt(ValueKey::Power, notch);
  if (chain.active()) chain.entries().SetPower(notch);
}

void Plugin::setBrake(std::int32_t notch) {
  echo.brake = notch;
  logger.values.setInt(ValueKey::Brake, notch);
  if (chain.active()) chain.entries().SetBrake(notch);
}

void Plugin::setReverser(std::int32_t position) {
  echo.reverser = position;
  logger.values.setInt(ValueKey::Reverser, position);
  if (chain.active()) chain.entries().SetReverser(position);
}

void Plugin::setSignal(std::int32_t aspect) {
  logger.values.setInt(ValueKey::Signal, aspect);
  if (chain.active()) chain.entries().SetSignal(aspect);
}

void Plugin::setBeaconData(const BeaconData& beacon) {
  ValueTable& v = logger.values;
  v.setInt(ValueKey::BeaconType, beacon.type);
  v.setInt(ValueKey::BeaconSignal, beacon.signal);
  v.setFloat(ValueKey::BeaconDistance, beacon.distance);
  v.setInt(ValueKey::BeaconOptional, beacon.optional);
  if (chain.active()) chain.entries().SetBeaconData(beacon);
}

// The pilot lamp is lit while the doors are shut.
void Plugin::doorOpen() {
  logger.values.setBool(ValueKey::PilotLamp, false);
  if (chain.active()) chain.entries().DoorOpen();
}
void Plugin::doorClose() {
  logger.values.setBool(ValueKey::PilotLamp, true);
  if (chain.active()) chain.entries().DoorClose();
}

}  // namespace cablog
