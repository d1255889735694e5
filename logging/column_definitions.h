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

// Editors that save "UTF-8 with BOM" start the file with this mark. It is
// not part of the first key; the log starts with it in turn, so spreadsheet
// programs read the labels as UTF-8 too.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Parses raw file bytes as Windows text mode reads them (the text ends at
// the first Ctrl-Z; CR LF reads as LF, a lone CR stays); lines with fewer
// than two fields define nothing. A leading UTF-8 byte-order mark is skipped.
std::vector<ColumnDefinition> parseColumnDefinitions(std::string_view bytes);

// The same, one definition at a time, copying nothing but the key: a Load
// reads its column file this way.
class ColumnDefinitionReader {
 public:
  explicit ColumnDefinitionReader(std::string_view bytes);
  // The next definition, false after the last; the views hold until the
  // next call and, for the label, as long as the bytes.
  bool next(std::string_view& key, std::string_view& label);

 private:
  std::string_view rest_;
  std::string key_;
};

}  // namespace cablog
