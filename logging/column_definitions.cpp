#include "logging/column_definitions.h"

#include <algorithm>

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

std::string textModeView(std::string_view bytes) {
  const std::size_t end = bytes.find(kCtrlZ);
  if (end != std::string_view::npos) bytes = bytes.substr(0, end);
  std::string text;
  text.reserve(bytes.size());
  // Whole stretches between CR LF pairs at once: a column file is read at
  // every Load.
  for (std::size_t pair = bytes.find("\r\n"); pair != std::string_view::npos;
       pair = bytes.find("\r\n")) {
    text.append(bytes.substr(0, pair));
    bytes.remove_prefix(pair + 1);
  }
  text.append(bytes);
  return text;
}

std::vector<ColumnDefinition> parseColumnDefinitions(std::string_view bytes) {
  if (bytes.starts_with(kUtf8ByteOrderMark)) bytes.remove_prefix(kUtf8ByteOrderMark.size());
  const std::string text = textModeView(bytes);
  std::vector<ColumnDefinition> columns;
  columns.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  std::string_view rest(text);
  while (!rest.empty()) {
    const std::size_t lineFeed = rest.find('\n');
    std::string_view line = rest.substr(0, lineFeed);
    rest.remove_prefix(lineFeed == std::string_view::npos ? rest.size() : lineFeed + 1);

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
