// The user's choice of columns, in file order. Each column remembers whether
// its key is one the plug-in writes, so a row is built without name look-ups.
#pragma once

#include <optional>
#include <vector>

#include "logging/value_key.h"

namespace cablog {

struct Column {
  // Set when the plug-in itself writes the column's key; the others, which
  // nothing writes, stay empty.
  std::optional<ValueKey> known;
};

using ColumnList = std::vector<Column>;

}  // namespace cablog
