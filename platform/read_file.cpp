#include "platform/native_file.h"
#include "platform/platform.h"

namespace cablog::platform {
namespace {

void appendUtf8(std::string& text, char32_t c) {
  const auto byte = [](char32_t b) { return static_cast<char>(b); };
  if (c < 0x80) {
    text += byte(c);
  } else if (c < 0x800) {
    text += byte(0xC0 | c >> 6);
    text += byte(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    text += byte(0xE0 | c >> 12);
    text += byte(0x80 | (c >> 6 & 0x3F));
    text += byte(0x80 | (c & 0x3F));
  } else {
    text += byte(0xF0 | c >> 18);
    text += byte(0x80 | (c >> 12 & 0x3F));
    text += byte(0x80 | (c >> 6 & 0x3F));
    text += byte(0x80 | (c & 0x3F));
  }
}

// UTF-16 (after its byte order mark) as UTF-8, the mark included; empty,
// with `refusal` set, when it is not whole UTF-16.
std::string utf8OfUtf16(std::string_view bytes, bool bigEndian, std::string& refusal) {
  const auto unit = [&](std::size_t at) {
    const auto hi = static_cast<unsigned char>(bytes[at + (bigEndian ? 0 : 1)]);
    const auto lo = static_cast<unsigned char>(bytes[at + (bigEndian ? 1 : 0)]);
    return static_cast<char32_t>(hi << 8 | lo);
  };
  if (bytes.size() % 2 != 0) {
    refusal = "it is UTF-16 with an odd number of bytes";
    return {};
  }
  std::string text;
  text.reserve(bytes.size() * 3 / 2);
  for (std::size_t at = 0; at < bytes.size(); at += 2) {
    char32_t c = unit(at);
    if (c >= 0xD800 && c < 0xDC00 && at + 2 < bytes.size() && unit(at + 2) >= 0xDC00 &&
        unit(at + 2) < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(at + 2) - 0xDC00);
      at += 2;
    } else if (c >= 0xD800 && c < 0xE000) {
      refusal = "it is UTF-16 with a broken surrogate pair";
      return {};
    }
    appendUtf8(text, c);
  }
  return text;
}

}  // namespace

TextFile readTextFile(const std::string& path, std::size_t limit) {
  TextFile file;
  file.text = readRegularFile(path, limit, file.refusal);
  if (!file.text) return file;
  const std::string_view bytes = *file.text;
  const bool little = bytes.starts_with("\xFF\xFE");
  if (little || bytes.starts_with("\xFE\xFF")) {
    std::string text = utf8OfUtf16(bytes, !little, file.refusal);
    file.text.reset();
    if (file.refusal.empty()) file.text = std::move(text);
  }
  return file;
}

}  // namespace cablog::platform

namespace cablog::platform::native {

std::optional<std::string> readFile(const std::string& path) {
  std::FILE* file = openShared(path, "rb");
  if (file == nullptr) return std::nullopt;
  std::string text;
  char chunk[64 * 1024];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
  std::fclose(file);
  return text;
}

void writeSmallFile(const std::string& path, std::string_view text, bool append) {
  std::FILE* file = openShared(path, append ? "ab" : "wb");
  if (file == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

}  // namespace cablog::platform::native
