// What a chained train plug-in made of a frame, as the logger takes it: the
// handles it returned and the host's panel and sound arrays after its Elapse.
#pragma once

#include <cstdint>
#include <vector>

#include "logging/column_list.h"
#include "logging/value_key.h"
#include "logging/value_table.h"

namespace cablog {

struct PluginReadings {
  std::int32_t brake;
  std::int32_t power;
  std::int32_t reverser;
  std::int32_t constantSpeed;
  const std::int32_t* panel;  // kFamilySize entries
  const std::int32_t* sound;  // kFamilySize entries
};

// The panel and sound slots that some column names, each once: only these
// are turned into text on a sampled frame.
std::vector<ValueKey> arrayKeysNamedBy(const ColumnList& columns);

// Stores the returned handles and the named array entries.
void storePluginReadings(ValueTable& values, const std::vector<ValueKey>& arrayKeys,
                         const PluginReadings& readings);

// Empties every key a chained plug-in writes, so that a log without a chain
// never shows what an earlier one did.
void forgetPluginReadings(ValueTable& values);

}  // namespace cablog
