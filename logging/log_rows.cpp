#include "logging/log_rows.h"

namespace cablog {

void appendDataRow(LogBuffer& log, const ColumnList& columns, const ValueTable& values) {
  for (const Column& column : columns) {
    const auto text = column.known ? values.find(*column.known) : values.find(column.key);
    if (text) log.appendText(*text);
    log.appendCellEnd();
  }
  log.appendLineEnd();
}

}  // namespace cablog
