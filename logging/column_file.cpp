#include "logging/column_file.h"

#include "logging/column_definitions.h"
#include "logging/log_rows.h"
#include "platform/platform.h"

namespace cablog {

void parseColumns(ColumnList& columns, LogBuffer& header, std::string_view text) {
  if (text.starts_with(kUtf8ByteOrderMark)) header.appendText(kUtf8ByteOrderMark);
  const std::vector<ColumnDefinition> definitions = parseColumnDefinitions(text);
  columns.reserve(columns.size() + definitions.size());
  for (const ColumnDefinition& definition : definitions) {
    appendHeaderCell(header, definition.label);
    columns.push_back({knownKey(definition.key)});
  }
  endHeaderRow(header);
}

void readColumns(ColumnList& columns, LogBuffer& header, const std::string& columnsPath) {
  const auto bytes = platform::readFile(columnsPath);
  parseColumns(columns, header, bytes ? std::string_view(*bytes) : std::string_view());
}

}  // namespace cablog
