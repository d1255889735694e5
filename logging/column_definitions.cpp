#include "logging/column_definitions.h"

namespace cablog {
namespace {

constexpr char kCtrlZ = '\x1a';

void upperAscii(std::string& text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
}

// Takes the next field of the line, if it has one. A trailing
// comma opens no field of its own; two commas in a row enclose an empty one.
bool nextField(std::string_view& rest, bool& more, std::string_view& field) {
  if (!more) return false;
  const std::size_t comma = rest.find(',');
  if (comma == std::string_view::npos) {
    field = rest;
    more = false;
  } else {
    field = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
    more = !rest.empty();
  }
  return true;
}

}  // namespace

std::vector<ColumnDefinition> parseColumnDefinitions(std::string_view bytes) {
  if (bytes.starts_with(kUtf8ByteOrderMark)) bytes.remove_prefix(kUtf8ByteOrderMark.size());
  // Read as Windows text mode reads: the text ends at the first Ctrl-Z, and
  // CR LF reads as LF while a lone CR stays.
  bytes = bytes.substr(0, bytes.find(kCtrlZ));
  std::size_t lines = 1;
  for (std::size_t at = bytes.find('\n'); at != std::string_view::npos;
       at = bytes.find('\n', at + 1)) {
    ++lines;
  }
  std::vector<ColumnDefinition> columns;
  columns.reserve(lines);
  while (!bytes.empty()) {
    const std::size_t lineFeed = bytes.find('\n');
    std::string_view line = bytes.substr(0, lineFeed);
    bytes.remove_prefix(lineFeed == std::string_view::npos ? bytes.size() : lineFeed + 1);
    if (lineFeed != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);

    bool more = !line.empty();
    std::string_view key;
    std::string_view label;
    if (nextField(line, more, key) && nextField(line, more, label)) {
      columns.push_back({std::string(key), std::string(label)});
      upperAscii(columns.back().key);
    }
  }
  return columns;
}

}  // namespace cablog
