// The INI reader of the POSIX build on any bytes. Its answers must hang
// together: the integer is the value text read as the profile functions read
// numbers, the fallback when that text is missing or empty; the names match
// whatever their case and the blanks around them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "settings/ini_lookup.h"

namespace {

struct Names {
  std::string_view section;
  std::string_view key;
};

constexpr Names kNames[] = {
    {"Frame", "Skip             "}, {"Frame", "Skip"}, {"a", "b"}, {"", "Skip"}, {"Frame", ""},
};

constexpr std::int32_t kFallback = 0x5eed;

// Leading control characters and blanks, a sign, a 0x/0o/0b prefix, then
// digits of that base up to the first other character, modulo 2^32.
std::int32_t readNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    const char prefix = text[i + 1];
    base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
    if (base != 10) i += 2;
  }
  std::uint32_t total = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned digit = 99;
    if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'z') digit = static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'Z') digit = static_cast<unsigned>(c - 'A' + 10);
    if (digit >= base) break;
    total = total * base + digit;
  }
  if (negative) total = 0u - total;
  return static_cast<std::int32_t>(total);
}

std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

std::string spaced(std::string_view text) {
  return " \t" + std::string(text) + "  ";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const Names names = kNames[data[0] % std::size(kNames)];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::optional<std::string> value =
      cablog::lookupProfileString(text, names.section, names.key);
  const std::int32_t number = cablog::lookupProfileInt(text, names.section, names.key, kFallback);
  if (!value || value->empty()) {
    if (!(number == kFallback))
      cablog::fuzz::fail("a missing or empty value must give the fallback", std::to_string(number));
  } else {
    if (!(value->size() <= 29))
      cablog::fuzz::fail("value text longer than the profile functions give", *value);
    if (!(value->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos))
      cablog::fuzz::fail("value text holds a line break or NUL", *value);
    if (!(number == readNumber(*value)))
      cablog::fuzz::fail("integer does not match the value text", std::to_string(number),
                         std::to_string(readNumber(*value)));
  }

  const std::string upperSection = upper(names.section);
  const std::string upperKey = upper(names.key);
  cablog::fuzz::check(cablog::lookupProfileString(text, upperSection, upperKey) == value,
                      "letter case of the names changed the answer");
  cablog::fuzz::check(
      cablog::lookupProfileString(text, spaced(names.section), spaced(names.key)) == value,
      "blanks around the names changed the answer");
  return 0;
}
