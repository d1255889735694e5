#include "logging/plugin_readings.h"

#include <algorithm>

namespace cablog {

std::vector<ValueKey> arrayKeysNamedBy(const ColumnList& columns) {
  std::vector<ValueKey> keys;
  for (const Column& column : columns) {
    if (column.known && arrayEntryOf(*column.known) &&
        std::find(keys.begin(), keys.end(), *column.known) == keys.end()) {
      keys.push_back(*column.known);
    }
  }
  return keys;
}

void storePluginReadings(ValueTable& values, const std::vector<ValueKey>& arrayKeys,
                         const PluginReadings& readings) {
  values.setInt(ValueKey::PluginBrake, readings.brake);
  values.setInt(ValueKey::PluginPower, readings.power);
  values.setInt(ValueKey::PluginReverser, readings.reverser);
  values.setInt(ValueKey::PluginConstantSpeed, readings.constantSpeed);
  for (const ValueKey key : arrayKeys) {
    const ArrayEntry entry = *arrayEntryOf(key);
    const std::int32_t* array = entry.array == HostArray::Panel ? readings.panel : readings.sound;
    if (array != nullptr) values.setInt(key, array[entry.index]);
  }
}

void forgetPluginReadings(ValueTable& values) {
  for (const NamedKey& named : kNamedKeys) {
    if (named.chainOnly) values.forget(named.key);
  }
  for (std::size_t slot = kNamedKeyCount; slot < kValueKeyCount; ++slot) {
    values.forget(static_cast<ValueKey>(slot));
  }
}

}  // namespace cablog
