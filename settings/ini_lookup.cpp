#include "settings/ini_lookup.h"

namespace cablog {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> lookupProfileString(std::string_view text, std::string_view section,
                                               std::string_view key) {
  section = trim(section);
  key = trim(key);
  bool inSection = false;
  while (!text.empty()) {
    const std::size_t lineFeed = text.find('\n');
    std::string_view line = trim(text.substr(0, lineFeed));
    text.remove_prefix(lineFeed == std::string_view::npos ? text.size() : lineFeed + 1);

    if (!line.empty() && line.front() == '[') {
      const std::size_t close = line.find(']');
      const std::string_view name = trim(
          line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      inSection = equalsIgnoringCase(name, section);
      continue;
    }
    if (!inSection) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (equalsIgnoringCase(trim(line.substr(0, equals)), key)) {
      return std::string(trim(line.substr(equals + 1)));
    }
  }
  return std::nullopt;
}

std::int32_t lookupProfileInt(std::string_view text, std::string_view section, std::string_view key,
                              std::int32_t fallback) {
  const std::optional<std::string> value = lookupProfileString(text, section, key);
  if (!value || value->empty()) return fallback;
  std::string_view digits(*value);
  while (!digits.empty() && static_cast<unsigned char>(digits.front()) <= ' ') {
    digits.remove_prefix(1);
  }
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  // Unsigned arithmetic wraps as the profile functions' own conversion does.
  std::uint32_t total = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') break;
    total = total * 10 + static_cast<std::uint32_t>(c - '0');
  }
  if (negative) total = 0u - total;
  return static_cast<std::int32_t>(total);
}

}  // namespace cablog
