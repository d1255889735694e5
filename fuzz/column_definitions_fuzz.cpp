// The column definition reader on any bytes, against a reading of the same
// bytes with the standard streams' getline, which splits lines and fields
// the way the column rules describe.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "logging/column_definitions.h"
#include "logging/log_buffer.h"
#include "logging/log_rows.h"
#include "tests/support/held_text.h"

namespace {

// Windows text mode: Ctrl-Z ends the text, CR LF reads as LF.
std::string textMode(std::string_view bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\x1a'; ++i) {
    const bool crBeforeLf = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
    if (!crBeforeLf) text.push_back(bytes[i]);
  }
  return text;
}

std::vector<cablog::ColumnDefinition> expectedColumns(std::string_view bytes) {
  // A UTF-8 byte-order mark at the very start belongs to no key.
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  std::vector<cablog::ColumnDefinition> columns;
  std::istringstream file(textMode(bytes));
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream fields(line);
    std::string key;
    std::string label;
    if (std::getline(fields, key, ',') && std::getline(fields, label, ',')) {
      for (char& c : key) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      }
      columns.push_back({key, label});
    }
  }
  return columns;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<cablog::ColumnDefinition> got = cablog::parseColumnDefinitions(bytes);
  const std::vector<cablog::ColumnDefinition> expected = expectedColumns(bytes);
  if (!(got.size() == expected.size()))
    cablog::fuzz::fail("number of columns differs", std::to_string(got.size()),
                       std::to_string(expected.size()));
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (!(got[i].key == expected[i].key))
      cablog::fuzz::fail("key differs", got[i].key, expected[i].key);
    if (!(got[i].label == expected[i].label))
      cablog::fuzz::fail("label differs", got[i].label, expected[i].label);
  }

  // The header row: one comma per column, and one line however odd the labels.
  cablog::LogBuffer header;
  for (const auto& column : got) cablog::appendHeaderCell(header, column.label);
  cablog::endHeaderRow(header);
  const std::string text = cablog::testing::heldText(header);
  std::size_t commas = 0;
  std::size_t lineFeeds = 0;
  for (char c : text) {
    commas += c == ',';
    lineFeeds += c == '\n';
  }
  if (commas != got.size()) cablog::fuzz::fail("header has the wrong number of commas", text);
  if (!(lineFeeds == 1 && text.ends_with("\r\n")))
    cablog::fuzz::fail("header is not one line", text);
  return 0;
}
