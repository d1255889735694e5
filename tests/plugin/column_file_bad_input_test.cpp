// Column files as people and other programs leave them: the columns are what
// the reading rules make of the bytes, and a log is written all the same,
// unless the file is refused (too large, broken UTF-16).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "tests/plugin/bad_input_run.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace cablog {
namespace {

using namespace std::string_literals;

constexpr std::size_t kMiB = std::size_t{1} << 20;

std::string repeat(const std::string& text, int times) {
  std::string result;
  result.reserve(text.size() * static_cast<std::size_t>(times));
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

// Every byte value, highest first: lower-case letters and non-ASCII bytes in
// the key, a comma, then the label up to the Ctrl-Z that ends the text. (The
// first two make a UTF-16 byte order mark.)
std::string allBytesDescending() {
  std::string bytes;
  for (int b = 255; b >= 0; --b) bytes.push_back(static_cast<char>(b));
  return bytes;
}

std::string bytesBetween(int from, int downTo) {
  std::string bytes;
  for (int b = from; b >= downTo; --b) bytes.push_back(static_cast<char>(b));
  return bytes;
}

// The text with a byte order mark, in either order.
std::string utf16(std::u16string_view text, bool bigEndian) {
  std::string bytes;
  for (const char16_t unit : u"\uFEFF"s + std::u16string(text)) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

struct ColumnCase {
  const char* name;
  // Puts the column file (Logger.csv) in place, or leaves it out.
  std::function<void(const testing::TempDir&)> prepare;
  std::string log;  // after one sampled frame of speed 30 and BC 490
};

// By name: printed as raw bytes, the case would show its padding.
void PrintTo(const ColumnCase& c, std::ostream* out) {
  *out << c.name;
}

class ColumnFile : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(ColumnFile, GivesTheColumnsTheRulesMakeOfIt) {
  testing::PluginInScratch run;
  run.module.write("Logger.ini", "[Frame]\nSkip=1\n");
  GetParam().prepare(run.module);
  run.plugin.load(run.modulePath);
  VehicleState state{};
  state.speed = 30.0f;
  state.bc = 490.0f;
  run.plugin.elapse(state);
  run.plugin.dispose();
  EXPECT_EQ(run.logText(), GetParam().log);
}

auto file(std::string bytes) {
  return [bytes](const testing::TempDir& dir) { dir.write("Logger.csv", bytes); };
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, ColumnFile,
    ::testing::Values(
        ColumnCase{"Missing", [](const testing::TempDir&) {}, "\r\n\r\n"},
        ColumnCase{"Empty", file(""), "\r\n\r\n"},
        ColumnCase{"AFolder",
                   [](const testing::TempDir& dir) {
                     std::filesystem::create_directory(dir.path() / "Logger.csv");
                   },
                   "\r\n\r\n"},
        // A file of the largest size read, then one byte more.
        ColumnCase{"OneLineOfAMebibyte", file("SPEED," + std::string(kMiB - 7, 'x') + "\n"),
                   std::string(kMiB - 7, 'x') + ",\r\n30,\r\n"},
        ColumnCase{"AMebibyteKeyWithoutLabel", file(std::string(kMiB - 7, 's') + "\nBC,BC\n"),
                   "BC,\r\n490,\r\n"},
        ColumnCase{"OneByteTooMany", file(std::string(kMiB - 7, 's') + "\nBC,BC\n\n"), "<no log>"},
        ColumnCase{"HundredThousandLines", file(repeat("speed,S\n", 100000)),
                   repeat("S,", 100000) + "\r\n" + repeat("30,", 100000) + "\r\n"},
        ColumnCase{"BinaryGarbage", file(allBytesDescending().substr(2)),
                   bytesBetween(0x2b, 0x1b) + ",\r\n,\r\n"},
        ColumnCase{"NulInLabelAndKey", file("SPEED,Sp\0eed\nB\0C,BC\n"s),
                   "Sp\0eed,BC,\r\n30,,\r\n"s},
        ColumnCase{"Utf8ByteOrderMark", file("\xEF\xBB\xBFSPEED,Speed\r\nBC,BC\r\n"),
                   "\xEF\xBB\xBFSpeed,BC,\r\n30,490,\r\n"},
        // UTF-16 of either order becomes UTF-8, its mark too; broken, no log.
        ColumnCase{"Utf16LittleEndian", file(utf16(u"SPEED,\u03FF\n", false)),
                   "\xEF\xBB\xBF\xCF\xBF,\r\n30,\r\n"},
        ColumnCase{"Utf16BigEndian", file(utf16(u"SPEED,\U0001F682\n", true)),
                   "\xEF\xBB\xBF\xF0\x9F\x9A\x82,\r\n30,\r\n"},
        ColumnCase{"Utf16LoneSurrogate", file(utf16(u"SPEED,\xD800\n", false)), "<no log>"},
        ColumnCase{"Utf16OddLength", file(utf16(u"SPEED,S\n", true) + "x"), "<no log>"},
        // Without a line feed it is all one line, lone CRs kept in the fields.
        ColumnCase{"CarriageReturnsOnly", file("SPEED,Speed\rBC,BC\r"), "Speed\rBC,\r\n30,\r\n"},
        ColumnCase{"CtrlZAtTheStart", file("\x1aSPEED,Speed\n"), "\r\n\r\n"}),
    [](const ::testing::TestParamInfo<ColumnCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace cablog

namespace cablog {
namespace {

// A file that is not what people write is refused, with the reason in the
// status file, and the run writes no log: never a Load that reads without
// end or waits for ever.
TEST(OddInputFile, IsRefusedWithItsReason) {
  const struct {
    const char* name;  // which file is odd
    std::function<void(const testing::TempDir&, const std::string&)> make;
    const char* reason;
  } cases[] = {
      {"Logger.ini",
       [](const testing::TempDir& dir, const std::string& name) {
         dir.write(name, std::string(kMiB + 1, ';'));
       },
       "holds more than 1048576 bytes"},
#ifndef _WIN32
      {"Logger.csv",
       [](const testing::TempDir& dir, const std::string& name) {
         mkfifo(dir.file(name).c_str(), 0600);
       },
       "is not a regular file"},
      {"Logger.csv",
       [](const testing::TempDir& dir, const std::string& name) {
         std::filesystem::create_symlink("/dev/zero", dir.path() / name);
       },
       "is not a regular file"},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    testing::PluginInScratch run;
    c.make(run.module, c.name);
    run.plugin.load(run.modulePath);
    run.plugin.elapse({});
    run.plugin.dispose();
    EXPECT_EQ(testing::countLogEntries(run.module.path()), 0);
    const std::string status = testing::readBytes(run.module.path() / "Logger.chain.txt");
    EXPECT_NE(status.find(std::string(c.name) + ": it " + c.reason), std::string::npos) << status;
  }
}

}  // namespace
}  // namespace cablog
