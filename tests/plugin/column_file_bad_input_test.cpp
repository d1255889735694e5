// Column files as people and other programs leave them: the columns are what
// the reading rules make of the bytes, and a log is written all the same.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "tests/plugin/bad_input_run.h"

namespace cablog {
namespace {

using namespace std::string_literals;

std::string repeat(const std::string& text, int times) {
  std::string result;
  result.reserve(text.size() * static_cast<std::size_t>(times));
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

// Every byte value, highest first: lower-case letters and non-ASCII bytes in
// the key, a comma, then the label up to the Ctrl-Z that ends the text.
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
        ColumnCase{"OneLineOfAMegabyte", file("SPEED," + std::string(1 << 20, 'x') + "\n"),
                   std::string(1 << 20, 'x') + ",\r\n30,\r\n"},
        ColumnCase{"AMegabyteKeyWithoutLabel", file(std::string(1 << 20, 's') + "\nBC,BC\n"),
                   "BC,\r\n490,\r\n"},
        ColumnCase{"HundredThousandLines", file(repeat("speed,S\n", 100000)),
                   repeat("S,", 100000) + "\r\n" + repeat("30,", 100000) + "\r\n"},
        ColumnCase{"BinaryGarbage", file(allBytesDescending()),
                   bytesBetween(0x2b, 0x1b) + ",\r\n,\r\n"},
        ColumnCase{"NulInLabelAndKey", file("SPEED,Sp\0eed\nB\0C,BC\n"s),
                   "Sp\0eed,BC,\r\n30,,\r\n"s},
        ColumnCase{"Utf8ByteOrderMark", file("\xEF\xBB\xBFSPEED,Speed\r\nBC,BC\r\n"),
                   "\xEF\xBB\xBFSpeed,BC,\r\n30,490,\r\n"},
        // Without a line feed it is all one line, lone CRs kept in the fields.
        ColumnCase{"CarriageReturnsOnly", file("SPEED,Speed\rBC,BC\r"), "Speed\rBC,\r\n30,\r\n"},
        ColumnCase{"CtrlZAtTheStart", file("\x1aSPEED,Speed\n"), "\r\n\r\n"}),
    [](const ::testing::TestParamInfo<ColumnCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace cablog
