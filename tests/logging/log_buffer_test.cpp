#include "logging/log_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>

#include "logging/log_rows.h"
#include "tests/support/held_text.h"

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
  EXPECT_EQ(testing::heldText(log), expected);
}

TEST(LogBuffer, WritesLineFeedsAsCrLf) {
  LogBuffer log;
  log.appendText("a\nb\r\n");
  log.appendCellEnd();
  log.appendLineEnd();
  EXPECT_EQ(testing::heldText(log), "a\r\nb\r\r\n,\r\n");
}

TEST(LogBuffer, ClearStartsOver) {
  LogBuffer log;
  log.appendText("old");
  log.clear();
  EXPECT_EQ(log.size(), 0u);
  log.appendText("new");
  EXPECT_EQ(testing::heldText(log), "new");
}

// A writer that takes pieces of every size, sometimes only part of what is
// pending, while rows keep coming: the bytes that reach it, in order, are
// exactly those appended, and memory never holds more than the pending bytes
// need (one block, one spare, one partly written).
TEST(LogBuffer, WrittenBytesAreDroppedAndTheirBlocksReused) {
  LogBuffer log;
  std::string appended;
  std::string reached;
  std::uint32_t random = 12345;
  const auto next = [&random](std::uint32_t range) {
    random = random * 1103515245u + 12345u;
    return (random >> 8) % range;
  };
  for (int step = 0; step < 4000; ++step) {
    const std::string piece(next(5000) + 1, static_cast<char>('a' + step % 26));
    log.appendText(piece);
    appended += piece;
    if (step % 7 == 0) {
      // Sometimes everything, sometimes part: as a short write leaves it.
      std::size_t take =
          next(4) == 0 ? next(static_cast<std::uint32_t>(log.pending()) + 1) : log.pending();
      log.forEachPendingChunk([&](std::span<const char> chunk) {
        const std::size_t n = std::min(take, chunk.size());
        reached.append(chunk.data(), n);
        take -= n;
      });
      log.markWritten(reached.size() - log.written());
      ASSERT_EQ(log.written(), reached.size());
      // Of what was written, less than a block is still held.
      ASSERT_LT(testing::heldText(log).size(), log.pending() + LogBuffer::kBlockSize);
    }
  }
  // A writer that stalls lets the blocks pile up; once it catches up they go.
  const std::string stall(5 * LogBuffer::kBlockSize + 17, 's');
  log.appendText(stall);
  appended += stall;
  log.forEachPendingChunk(
      [&](std::span<const char> chunk) { reached.append(chunk.data(), chunk.size()); });
  log.markWritten(log.pending());
  EXPECT_EQ(log.size(), appended.size());
  EXPECT_TRUE(reached == appended);
  log.appendText("tail");
  EXPECT_EQ(log.pending(), 4u);
  EXPECT_EQ(testing::heldText(log), "tail");
}

// Blocks filled to a byte short of their end, exactly to it and a byte
// past, all written, then appended to: only the new bytes are pending.
TEST(LogBuffer, WhatFollowsAWrittenBlockIsAllThatIsPending) {
  for (const std::size_t size : {LogBuffer::kBlockSize - 1, LogBuffer::kBlockSize,
                                 LogBuffer::kBlockSize + 1, 2 * LogBuffer::kBlockSize}) {
    SCOPED_TRACE(size);
    LogBuffer log;
    log.appendText(std::string(size, 'w'));
    log.markWritten(log.pending());
    log.appendText("next");
    std::string pending;
    log.forEachPendingChunk(
        [&](std::span<const char> chunk) { pending.append(chunk.data(), chunk.size()); });
    EXPECT_EQ(pending, "next");
    EXPECT_EQ(log.size(), size + 4);
    EXPECT_EQ(testing::heldText(log), "next");
  }
}

TEST(LogRows, EveryCellEndsInACommaAndMissingValuesStayEmpty) {
  ValueTable values;
  values.setFloat(ValueKey::Speed, 30.0f);
  const ColumnList columns = {{ValueKey::Speed}, {std::nullopt}, {ValueKey::Bc}, {ValueKey::Speed}};
  LogBuffer log;
  appendHeaderCell(log, "Speed");
  appendHeaderCell(log, "");
  endHeaderRow(log);
  appendDataRow(log, columns, values);
  appendDataRow(log, {}, values);
  EXPECT_EQ(testing::heldText(log), "Speed,,\r\n30,,,30,\r\n\r\n");
}

TEST(LogRows, RowsStraddlingTwoBlocksKeepEveryByte) {
  ValueTable values;
  values.setDouble(ValueKey::Location, 1234.5678);
  values.setText(ValueKey::TimeHhmmss, "10:00:00.000");
  const ColumnList columns = {
      {ValueKey::Location}, {ValueKey::Bc}, {ValueKey::TimeHhmmss}, {std::nullopt}};
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
    EXPECT_TRUE(testing::heldText(log) == filler + row + row);
  }
}

}  // namespace
}  // namespace cablog
