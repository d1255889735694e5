// A text setting names a file, so its characters must come out whole in
// whatever encoding the settings file was saved. The Windows build runs in
// a Western code page, where the system's own lookup would garble UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "settings/ini_file.h"
#include "tests/support/temp_dir.h"

namespace cablog {
namespace {

std::string utf16le(std::u16string_view text) {
  std::string bytes = "\xff\xfe";
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xff));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

TEST(IniText, ComesOutWholeWhateverTheFileIsSavedIn) {
  const std::string train = "u_\xd0\x9f\xd0\xbe\xd0\xb5\xd0\xb7\xd0\xb4\\\xe5\x88\x97.dll";
  const struct {
    const char* name;
    std::string bytes;
    std::string value;
  } cases[] = {
      {"plain", "[Chain]\nModule=plain.dll\n", "plain.dll"},
      {"utf8", "[Chain]\r\nModule=" + train + "\r\n", train},
      {"utf8 with mark", "\xef\xbb\xbf[Chain]\nModule=\"" + train + "\"\n", train},
      {"utf16", utf16le(u"[Chain]\nModule=u_\u041f\u043e\u0435\u0437\u0434\\\u5217.dll\n"), train},
#ifdef _WIN32
      {"ansi", "[Chain]\nModule=caf\xe9.dll\n", "caf\xc3\xa9.dll"},
#else
      {"bytes", "[Chain]\nModule=caf\xe9.dll\n", "caf\xe9.dll"},
#endif
  };
  testing::TempDir dir("cablog-ini-text");
  for (const auto& c : cases) {
    const std::string name = std::string(c.name) + ".ini";
    dir.write(name, c.bytes);
    IniFile file(dir.file(name));
    EXPECT_EQ(file.readString("Chain", "Module", 4096), c.value) << c.name;
  }
}

}  // namespace
}  // namespace cablog
