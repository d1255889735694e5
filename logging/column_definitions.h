// The column definition file: one "key,label" line per column.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cablog {

struct ColumnDefinition {
  std::string key;    // upper-cased (ASCII letters only)
  std::string label;  // byte for byte as written
};

// Applies the Windows text-mode reading rules to raw file bytes: the text
// ends at the first Ctrl-Z, and CR LF becomes LF while a lone CR stays.
std::string textModeView(std::string_view bytes);

// Parses raw file bytes; lines with fewer than two fields define nothing.
std::vector<ColumnDefinition> parseColumnDefinitions(std::string_view bytes);

}  // namespace cablog
