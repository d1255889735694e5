#include "settings/ini_lookup.h"

namespace cablog {
namespace {

// Ctrl-Z counts as a blank here too.
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view trimFront(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view trimBack(std::string_view text) {
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view trim(std::string_view text) {
  return trimBack(trimFront(text));
}

// Names and values are used as C strings once read: a NUL ends them.
std::string_view untilNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
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

// Files with a byte-order mark are read as Unicode and handed out as the
// system's ANSI lookup hands them out, in a code page this reader does not
// know: every character outside ASCII becomes "?", as the system writes a
// character the code page lacks. (A letter the code page has comes out
// differently; such a letter never matches a name or counts as a digit
// either way.) On Windows the wide lookup is asked first and gives them
// whole; this reader answers where the file's path is too long for it.
std::string narrowUtf16(std::string_view bytes, bool bigEndian) {
  std::string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    if ((hi & 0xfc) == 0xdc) continue;  // the second half of a surrogate pair
    text.push_back(hi == 0 && lo < 0x80 ? static_cast<char>(lo) : '?');
  }
  return text;
}

std::string narrowUtf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = lead < 0x80             ? 1
                               : (lead & 0xe0) == 0xc0 ? 2
                               : (lead & 0xf0) == 0xe0 ? 3
                               : (lead & 0xf8) == 0xf0 ? 4
                                                       : 0;
    std::size_t n = 1;
    while (length > 1 && n < length && i + n < bytes.size() &&
           (static_cast<unsigned char>(bytes[i + n]) & 0xc0) == 0x80) {
      ++n;
    }
    text.push_back(lead < 0x80 ? static_cast<char>(lead) : '?');
    i += (length > 1 && n == length) ? length : 1;
  }
  return text;
}

// Splits off the next line: a CR ends one as well as a line feed.
std::string_view nextLine(std::string_view& text) {
  const std::size_t end = text.find_first_of("\r\n");
  const std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  return line;
}

std::optional<std::string_view> findValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
  bool inSection = false;
  bool sectionSeen = false;
  while (!text.empty()) {
    const std::string_view line = trim(nextLine(text));
    if (line.empty()) continue;
    if (line.front() == '[') {
      const std::size_t close = line.find_last_of(']');
      // A header without "]" is read as a key line of the current section.
      if (close != std::string_view::npos && close > 0) {
        const std::string_view name = untilNul(trim(line.substr(1, close - 1)));
        if (sectionSeen) return std::nullopt;  // only the first such section is searched
        inSection = !name.empty() && equalsIgnoringCase(name, section);
        sectionSeen = inSection;
        continue;
      }
    }
    if (!inSection) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      if (equalsIgnoringCase(untilNul(line), key)) return std::nullopt;  // a key with no value
      continue;
    }
    if (equalsIgnoringCase(untilNul(trimBack(line.substr(0, equals))), key)) {
      return untilNul(trimFront(line.substr(equals + 1)));
    }
  }
  return std::nullopt;
}

// A digit in any base up to 36; 36 or more for anything else.
std::uint32_t digitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
  if (c >= 'a' && c <= 'z') return static_cast<std::uint32_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint32_t>(c - 'A' + 10);
  return 36;
}

}  // namespace

std::optional<std::string> lookupProfileString(std::string_view text, std::string_view section,
                                               std::string_view key, std::size_t capacity) {
  std::string decoded;
  if (text.starts_with("\xef\xbb\xbf")) {
    decoded = narrowUtf8(text.substr(3));
    text = decoded;
  } else if (text.starts_with("\xff\xfe") || text.starts_with("\xfe\xff")) {
    decoded = narrowUtf16(text, text.front() == '\xfe');
    text = decoded;
  }
  std::optional<std::string_view> value =
      findValue(text, untilNul(trim(section)), untilNul(trim(key)));
  if (!value) return std::nullopt;

  std::string_view v = *value;
  const bool quoted =
      v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
  if (quoted) v.remove_prefix(1);
  // The closing quote goes only when it fits the buffer with the rest.
  const std::size_t room = capacity == 0 ? 0 : capacity - 1;
  std::string copy(v.substr(0, room));
  if (quoted && v.size() <= room + 1 && !copy.empty()) copy.pop_back();
  return copy;
}

std::int32_t lookupProfileInt(std::string_view text, std::string_view section, std::string_view key,
                              std::int32_t fallback) {
  const std::optional<std::string> value =
      lookupProfileString(text, section, key, kProfileIntCapacity);
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
  // As the profile functions do, a lower-case 0x, 0o or 0b prefix picks
  // another base.
  std::uint32_t base = 10;
  if (digits.size() >= 2 && digits[0] == '0') {
    const char prefix = digits[1];
    base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
    if (base != 10) digits.remove_prefix(2);
  }
  std::uint32_t total = 0;
  for (char c : digits) {
    const std::uint32_t digit = digitValue(c);
    if (digit >= base) break;
    total = total * base + digit;
  }
  if (negative) total = 0u - total;
  return static_cast<std::int32_t>(total);
}

}  // namespace cablog
