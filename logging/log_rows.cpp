#include "logging/log_rows.h"

#include <cstring>

namespace cablog {
namespace {

// Writes a row straight into the log's current block through a local
// cursor. The compiler keeps a local in a register; the buffer's own fields
// it would have to reload after every byte stored, since a char store may
// alias them. Whatever does not fit goes through the buffer's own appends.
class RowWriter {
 public:
  explicit RowWriter(LogBuffer& log) : log_(log) { refill(); }

  // A cell and its comma. Values never hold a line feed.
  void cell(std::string_view text) {
    if (text.size() < room()) {
      std::memcpy(cursor_, text.data(), text.size());
      cursor_ += text.size();
      *cursor_++ = ',';
    } else {
      flush();
      log_.appendText(text);
      log_.appendCellEnd();
      refill();
    }
  }

  void emptyCell() {
    if (room() >= 1) {
      *cursor_++ = ',';
    } else {
      flush();
      log_.appendCellEnd();
      refill();
    }
  }

  void endLine() {
    if (room() >= 2) {
      std::memcpy(cursor_, "\r\n", 2);
      cursor_ += 2;
      flush();
    } else {
      flush();
      log_.appendLineEnd();
    }
  }

 private:
  std::size_t room() const { return static_cast<std::size_t>(end_ - cursor_); }
  void flush() {
    log_.commit(static_cast<std::size_t>(cursor_ - start_));
    start_ = cursor_;
  }
  void refill() {
    const std::span<char> space = log_.freeSpace();
    start_ = cursor_ = space.data();
    end_ = space.data() + space.size();
  }

  LogBuffer& log_;
  char* start_ = nullptr;
  char* cursor_ = nullptr;
  char* end_ = nullptr;
};

}  // namespace

void appendDataRow(LogBuffer& log, const ColumnList& columns, const ValueTable& values) {
  RowWriter row(log);
  for (const Column& column : columns) {
    const auto text = column.known ? values.find(*column.known) : std::nullopt;
    if (text) {
      row.cell(*text);
    } else {
      row.emptyCell();
    }
  }
  row.endLine();
}

}  // namespace cablog
