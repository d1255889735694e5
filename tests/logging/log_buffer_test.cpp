#include "logging/log_buffer.h"

#include <gtest/gtest.h>

#include <string>

#include "logging/log_rows.h"

namespace cablog {
namespace {

TEST(LogBuffer, KeepsEveryByteAcrossBlockBoundaries) {
  LogBuffer log;
  std::string expected;
  // Pieces of awkward sizes so that some straddle two blocks.
  for (int i = 0; expected.size() < 3 * LogBuffer::kBlockSize; ++i) {
    const std::string piece(static_cast<std::size_t>(i % 997 + 1), static_cast<char>('a' + i % 26));
    log.appendText(piece);
    expected += piece;
  }
  const std::string huge(LogBuffer::kBlockSize * 2 + 5, 'z');
  log.appendText(huge);
  expected += huge;
  EXPECT_EQ(log.size(), expected.size());
  EXPECT_EQ(log.str(), expected);
}

TEST(LogBuffer, WritesLineFeedsAsCrLf) {
  LogBuffer log;
  log.appendText("a\nb\r\n");
  log.appendCellEnd();
  log.appendLineEnd();
  EXPECT_EQ(log.str(), "a\r\nb\r\r\n,\r\n");
}

TEST(LogBuffer, ClearStartsOver) {
  LogBuffer log;
  log.appendText("old");
  log.clear();
  EXPECT_TRUE(log.empty());
  log.appendText("new");
  EXPECT_EQ(log.str(), "new");
}

TEST(LogRows, EveryCellEndsInACommaAndMissingValuesStayEmpty) {
  ValueTable values;
  values.setFloat(ValueKey::Speed, 30.0f);
  const ColumnList columns = {{"SPEED", ValueKey::Speed},
                              {"NOTHING", std::nullopt},
                              {"BC", ValueKey::Bc},
                              {"SPEED", ValueKey::Speed}};
  LogBuffer log;
  appendHeaderCell(log, "Speed");
  appendHeaderCell(log, "");
  endHeaderRow(log);
  appendDataRow(log, columns, values);
  appendDataRow(log, {}, values);
  EXPECT_EQ(log.str(), "Speed,,\r\n30,,,30,\r\n\r\n");
}

TEST(LogRows, RowsStraddlingTwoBlocksKeepEveryByte) {
  ValueTable values;
  values.setDouble(ValueKey::Location, 1234.5678);
  values.setText(ValueKey::TimeHhmmss, "10:00:00.000");
  const ColumnList columns = {{"LOCATION", ValueKey::Location},
                              {"BC", ValueKey::Bc},
                              {"TIME_HHMMSS", ValueKey::TimeHhmmss},
                              {"CUSTOM", std::nullopt}};
  const std::string row = "1234.57,,10:00:00.000,,\r\n";
  // The row starts at every offset from well before a block's end to past it.
  for (std::size_t before = 0; before <= row.size() + 2; ++before) {
    SCOPED_TRACE(before);
    LogBuffer log;
    const std::string filler(LogBuffer::kBlockSize - before, 'f');
    log.appendText(filler);
    appendDataRow(log, columns, values);
    appendDataRow(log, columns, values);
    EXPECT_EQ(log.size(), filler.size() + 2 * row.size());
    EXPECT_TRUE(log.str() == filler + row + row);
  }
}

}  // namespace
}  // namespace cablog
