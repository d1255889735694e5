// The rows of the log: every cell followed by a comma, every line ended.
#pragma once

#include <string_view>

#include "logging/column_list.h"
#include "logging/log_buffer.h"
#include "logging/value_table.h"

namespace cablog {

inline void appendHeaderCell(LogBuffer& log, std::string_view label) {
  log.appendText(label);
  log.appendCellEnd();
}

inline void endHeaderRow(LogBuffer& log) {
  log.appendLineEnd();
}

// One row of the columns' current values; a key never set leaves its cell
// empty.
void appendDataRow(LogBuffer& log, const ColumnList& columns, const ValueTable& values);

}  // namespace cablog
