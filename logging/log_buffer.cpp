#include "logging/log_buffer.h"

#include <algorithm>

namespace cablog {

void LogBuffer::clear() {
  blocks_.clear();
  filledBlocks_ = 0;
  used_ = 0;
  room_ = 0;
  cursor_ = nullptr;
}

void LogBuffer::startBlock() {
  if (!blocks_.empty()) ++filledBlocks_;
  // Uninitialised on purpose: pages are only touched as rows reach them.
  blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
  cursor_ = blocks_.back().get();
  used_ = 0;
  room_ = kBlockSize;
}

void LogBuffer::appendSpilling(std::string_view text) {
  while (!text.empty()) {
    if (room_ == 0) startBlock();
    const std::size_t n = std::min(room_, text.size());
    std::memcpy(cursor_, text.data(), n);
    cursor_ += n;
    used_ += n;
    room_ -= n;
    text.remove_prefix(n);
  }
}

void LogBuffer::appendExpanded(std::string_view text) {
  std::size_t lineFeed;
  while ((lineFeed = text.find('\n')) != std::string_view::npos) {
    appendRaw(text.substr(0, lineFeed));
    appendLineEnd();
    text.remove_prefix(lineFeed + 1);
  }
  appendRaw(text);
}

std::string LogBuffer::str() const {
  std::string text;
  text.reserve(size());
  forEachChunk([&](std::span<const char> chunk) { text.append(chunk.data(), chunk.size()); });
  return text;
}

}  // namespace cablog
