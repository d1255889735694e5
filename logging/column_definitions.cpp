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

ColumnDefinitionReader::ColumnDefinitionReader(std::string_view bytes) : rest_(bytes) {
  if (rest_.starts_with(kUtf8ByteOrderMark)) rest_.remove_prefix(kUtf8ByteOrderMark.size());
  // Read as Windows text mode reads: the text ends at the first Ctrl-Z, and
  // CR LF reads as LF while a lone CR stays.
  rest_ = rest_.substr(0, rest_.find(kCtrlZ));
}

bool ColumnDefinitionReader::next(std::string_view& key, std::string_view& label) {
  while (!rest_.empty()) {
    const std::size_t lineFeed = rest_.find('\n');
    std::string_view line = rest_.substr(0, lineFeed);
    rest_.remove_prefix(lineFeed == std::string_view::npos ? rest_.size() : lineFeed + 1);
    if (lineFeed != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);

    bool more = !line.empty();
    std::string_view rawKey;
    if (nextField(line, more, rawKey) && nextField(line, more, label)) {
      key_.assign(rawKey);
      upperAscii(key_);
      key = key_;
      return true;
    }
  }
  return false;
}

std::vector<ColumnDefinition> parseColumnDefinitions(std::string_view bytes) {
  std::vector<ColumnDefinition> columns;
  ColumnDefinitionReader reader(bytes);
  std::string_view key;
  std::string_view label;
  while (reader.next(key, label)) columns.push_back({std::string(key), std::string(label)});
  return columns;
}

}  // namespace cablog
