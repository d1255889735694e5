// The log as it grows in memory: a list of large blocks, so that appending a
// row never copies what is already logged. The text is held exactly as it
// will appear in the file, line breaks already CR LF. A log streamed to its
// file marks what reached it; those bytes are dropped and their blocks
// reused, so memory holds only what is still to be written.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

// The fuzz build makes blocks small, so that short runs cross many of them.
#ifndef CABLOG_LOG_BLOCK_BYTES
#define CABLOG_LOG_BLOCK_BYTES (std::size_t{1} << 20)
#endif

namespace cablog {

class LogBuffer {
 public:
  static constexpr std::size_t kBlockSize = CABLOG_LOG_BLOCK_BYTES;

  // Appends text as the platform's text mode would write it: every line feed
  // becomes CR LF.
  void appendText(std::string_view text) {
    if (std::memchr(text.data(), '\n', text.size()) == nullptr) {
      appendRaw(text);
    } else {
      appendExpanded(text);
    }
  }
  // Appends bytes as they are, for a log that is not text.
  void appendBytes(std::string_view bytes) { appendRaw(bytes); }
  void appendCellEnd() { appendRaw(","); }
  void appendLineEnd() { appendRaw("\r\n"); }

  // The unwritten rest of the current block, for a writer that fills it
  // directly and then commits what it wrote (with CR LF already in place).
  // Empty before the first block and when the block is full.
  std::span<char> freeSpace() { return {cursor_, room_}; }
  void commit(std::size_t written) {
    cursor_ += written;
    used_ += written;
    room_ -= written;
  }

  void clear();

  // Where the log ends now, to take back a row that could not be finished
  // (no memory for its block): rollBack returns to it, keeping a block it
  // started as the spare. Only for the end of the log as it was just before.
  struct Mark {
    std::size_t blocks;
    std::size_t used;
  };
  Mark mark() const { return {blocks_.size(), used_}; }
  void rollBack(const Mark& mark) noexcept;
  // Every byte ever appended, including those already written and dropped.
  std::size_t size() const { return dropped_ + filledBlocks() * kBlockSize + used_; }
  // Bytes from the start of the log that reached the file.
  std::size_t written() const { return written_; }
  std::size_t pending() const { return size() - written_; }

  // The filled parts of the blocks still held, in order.
  template <typename Visit>
  void forEachChunk(Visit&& visit) const {
    forEachChunkFrom(0, visit);
  }
  // The same, from the first byte not yet written.
  template <typename Visit>
  void forEachPendingChunk(Visit&& visit) const {
    forEachChunkFrom(written_ - dropped_, visit);
  }

  // Records that the next `count` pending bytes reached the file. Blocks
  // wholly written are dropped, one kept aside for reuse; when only the
  // block being filled is left, what it still holds unwritten moves to its
  // start, so that the next rows follow on and a flush stays one write.
  void markWritten(std::size_t count);

 private:
  // The blocks before the one being written.
  std::size_t filledBlocks() const { return blocks_.empty() ? 0 : blocks_.size() - 1; }

  void appendRaw(std::string_view text) {
    if (text.size() < room_) {
      std::memcpy(cursor_, text.data(), text.size());
      cursor_ += text.size();
      used_ += text.size();
      room_ -= text.size();
    } else {
      appendSpilling(text);
    }
  }
  void appendSpilling(std::string_view text);
  void appendExpanded(std::string_view text);
  void startBlock();

  template <typename Visit>
  void forEachChunkFrom(std::size_t offset, Visit& visit) const {
    const std::size_t filled = filledBlocks();
    for (std::size_t i = offset / kBlockSize; i < blocks_.size(); ++i) {
      const std::size_t begin = i == offset / kBlockSize ? offset % kBlockSize : 0;
      const std::size_t end = i < filled ? kBlockSize : used_;
      if (end > begin) visit(std::span<const char>(blocks_[i].get() + begin, end - begin));
    }
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  std::unique_ptr<char[]> spare_;  // a written block, kept for the next one
  std::size_t dropped_ = 0;        // bytes before blocks_[0]: written and gone
  std::size_t written_ = 0;
  std::size_t used_ = 0;  // bytes in the block being written
  std::size_t room_ = 0;
  char* cursor_ = nullptr;
};

}  // namespace cablog
