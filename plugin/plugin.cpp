#include "plugin/plugin.h"

#include <algorithm>

#include "logging/column_definitions.h"
#include "logging/log_file.h"
#include "logging/log_rows.h"
#include "platform/platform.h"
#include "plugin/module_paths.h"
#include "settings/ini_int_setting.h"

namespace cablog {
namespace {

void readColumns(Logger& logger, const std::string& columnsPath) {
  if (const auto bytes = platform::readFile(columnsPath)) {
    if (bytes->starts_with(kUtf8ByteOrderMark)) logger.logBuffer.appendText(kUtf8ByteOrderMark);
    for (ColumnDefinition& definition : parseColumnDefinitions(*bytes)) {
      appendHeaderCell(logger.logBuffer, definition.label);
      const auto known = knownKey(definition.key);
      logger.columns.push_back({std::move(definition.key), known});
    }
  }
  endHeaderRow(logger.logBuffer);
}

}  // namespace

void Plugin::load(const std::string& modulePath) {
  const std::string_view separators = platform::pathSeparators();
  const ModulePaths paths = deriveModulePaths(modulePath, separators);

  IniIntSetting interval = frameSkipSetting();
  interval.loadFrom(kSharedSettingsPath);
  interval.loadFrom(paths.settingsPath);

  // Each Load starts a log of its own; the values the host reported stay.
  logger.frameCounter = 0;
  logger.lastTime = 0;
  logger.lastSpeed = 0.0f;
  logger.columns.clear();
  logger.logBuffer.clear();
  logger.logPath = logFilePath(paths.directory, platform::localNow(), separators.front());
  logger.sampleInterval = std::max(interval.value, std::int32_t{1});
  logger.framesToSample = logger.sampleInterval;
  readColumns(logger, paths.columnsPath);
}

void Plugin::dispose() {
  writeLogFile(logger.logPath, logger.logBuffer);
}

void Plugin::setPower(std::int32_t notch) {
  echo.power = notch;
  logger.values.setInt(ValueKey::Power, notch);
}

void Plugin::setBrake(std::int32_t notch) {
  echo.brake = notch;
  logger.values.setInt(ValueKey::Brake, notch);
}

void Plugin::setReverser(std::int32_t position) {
  echo.reverser = position;
  logger.values.setInt(ValueKey::Reverser, position);
}

void Plugin::setSignal(std::int32_t aspect) {
  logger.values.setInt(ValueKey::Signal, aspect);
}

void Plugin::setBeaconData(const BeaconData& beacon) {
  ValueTable& v = logger.values;
  v.setInt(ValueKey::BeaconType, beacon.type);
  v.setInt(ValueKey::BeaconSignal, beacon.signal);
  v.setFloat(ValueKey::BeaconDistance, beacon.distance);
  v.setInt(ValueKey::BeaconOptional, beacon.optional);
}

// The pilot lamp is lit while the doors are shut.
void Plugin::doorOpen() {
  logger.values.setBool(ValueKey::PilotLamp, false);
}
void Plugin::doorClose() {
  logger.values.setBool(ValueKey::PilotLamp, true);
}

}  // namespace cablog
