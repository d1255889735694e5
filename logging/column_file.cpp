#include "logging/column_file.h"

#include "logging/column_definitions.h"
#include "logging/log_rows.h"
#include "platform/platform.h"

namespace cablog {

void parseColumns(ColumnList& columns, LogBuffer& header, std::string_view text) {
  if (text.starts_with(kUtf8ByteOrderMark)) header.appendText(kUtf8ByteOrderMark);
  // Room for a column a line, so that the list grows once.
  std::size_t lines = 1;
  for (std::size_t at = text.find('\n'); at != std::string_view::npos;
       at = text.find('\n', at + 1)) {
    ++lines;
  }
  columns.reserve(columns.size() + lines);
  ColumnDefinitionReader reader(text);
  std::string_view key;
  std::string_view label;
  while (reader.next(key, label)) {
    appendHeaderCell(header, label);
    columns.push_back({knownKey(key)});
  }
  endHeaderRow(header);
}

std::string readColumns(ColumnList& columns, LogBuffer& header, const std::string& columnsPath) {
  platform::TextFile file = platform::readTextFile(columnsPath);
  if (!file.refusal.empty()) return std::move(file.refusal);
  parseColumns(columns, header, file.text ? std::string_view(*file.text) : std::string_view());
  return {};
}

}  // namespace cablog
