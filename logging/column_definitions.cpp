#include "logging/column_definitions.h"

namespace cablog {
namespace {

constexpr char kCtrlZ = '\x1a';

std::string upperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
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

// A copy of raw file bytes as the Windows text mode reads them: the text
// ends at the first Ctrl-Z, and CR LF becomes LF while a lone CR stays.
std::string textModeCopy(std::string_view bytes) {
  const std::size_t end = bytes.find(kCtrlZ);
  if (end != std::string_view::npos) bytes = bytes.substr(0, end);
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text.push_back(bytes[i]);
  }
  return text;
}

}  // namespace

std::vector<ColumnDefinition> parseColumnDefinitions(std::string_view bytes) {
  if (bytes.starts_with(kUtf8ByteOrderMark)) bytes.remove_prefix(kUtf8ByteOrderMark.size());
  const std::string text = textModeCopy(bytes);
  std::vector<ColumnDefinition> columns;
  std::string_view rest(text);
  while (!rest.empty()) {
    const std::size_t lineFeed = rest.find('\n');
    std::string_view line = rest.substr(0, lineFeed);
    rest.remove_prefix(lineFeed == std::string_view::npos ? rest.size() : lineFeed + 1);

    bool more = !line.empty();
    std::string_view key;
    std::string_view label;
    if (nextField(line, more, key) && nextField(line, more, label)) {
      columns.push_back({upperAscii(key), std::string(label)});
    }
  }
  return columns;
}

}  // namespace cablog
