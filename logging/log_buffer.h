// The log as it grows in memory: a list of large blocks, so that appending a
// row never copies what is already logged. The text is held exactly as it
// will appear in the file, line breaks already CR LF.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cablog {

class LogBuffer {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 20;

  // Appends text as the platform's text mode would write it: every line feed
  // becomes CR LF.
  void appendText(std::string_view text) {
    if (std::memchr(text.data(), '\n', text.size()) == nullptr) {
      appendRaw(text);
    } else {
      appendExpanded(text);
    }
  }
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
  std::size_t size() const { return filledBlocks_ * kBlockSize + used_; }
  bool empty() const { return size() == 0; }

  // The filled parts of the blocks, in order.
  template <typename Visit>
  void forEachChunk(Visit&& visit) const {
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
      const std::size_t length = i < filledBlocks_ ? kBlockSize : used_;
      if (length > 0) visit(std::span<const char>(blocks_[i].get(), length));
    }
  }

  std::string str() const;

 private:
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

  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t filledBlocks_ = 0;  // blocks before the one being written
  std::size_t used_ = 0;          // bytes in the block being written
  std::size_t room_ = 0;
  char* cursor_ = nullptr;
};

}  // namespace cablog
