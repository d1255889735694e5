// The user's choice of columns, in file order. Each column remembers whether
// its key is one the plug-in writes, so a row is built without name look-ups.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "logging/value_key.h"

namespace cablog {

struct Column {
  std::string key;                // upper case, as compared with the value table's keys
  std::optional<ValueKey> known;  // set when the plug-in itself writes this key
};

using ColumnList = std::vector<Column>;

}  // namespace cablog
