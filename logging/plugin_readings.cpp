#include "logging/plugin_readings.h"

#include <algorithm>

namespace cablog {

std::vector<ValueKey> arrayKeysNamedBy(const ColumnList& columns) {
  std::vector<ValueKey> keys;
  keys.reserve(columns.size());
  for (const Column& column : columns) {
    if (!column.known) continue;
    const auto entry = familyEntryOf(*column.known);
    if (entry && kKeyFamilies[static_cast<std::size_t>(entry->family)].chainOnly &&
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
    const FamilyEntry entry = *familyEntryOf(key);
    const std::int32_t* array = entry.family == Family::Panel ? readings.panel : readings.sound;
    if (array != nullptr) values.setInt(key, array[entry.index]);
  }
}

void forgetPluginReadings(ValueTable& values) {
  for (const NamedKey& named : kNamedKeys) {
    if (named.chainOnly) values.forget(named.key);
  }
  for (const KeyFamily& family : kKeyFamilies) {
    if (!family.chainOnly) continue;
    for (std::size_t index = 0; index < kFamilySize; ++index) {
      values.forget(familyKey(family.family, index));
    }
  }
}

}  // namespace cablog
