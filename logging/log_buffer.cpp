#include "logging/log_buffer.h"

#include <algorithm>

namespace cablog {

void LogBuffer::clear() {
  blocks_.clear();
  spare_.reset();
  dropped_ = 0;
  written_ = 0;
  used_ = 0;
  room_ = 0;
  cursor_ = nullptr;
}

void LogBuffer::rollBack(const Mark& mark) noexcept {
  while (blocks_.size() > mark.blocks) {
    if (!spare_) spare_ = std::move(blocks_.back());
    blocks_.pop_back();
  }
  if (blocks_.empty()) {
    used_ = room_ = 0;
    cursor_ = nullptr;
    return;
  }
  used_ = mark.used;
  cursor_ = blocks_.back().get() + used_;
  room_ = kBlockSize - used_;
}

void LogBuffer::startBlock() {
  // Nothing changes until both allocations have succeeded.
  if (blocks_.size() == blocks_.capacity())
    blocks_.reserve(std::max<std::size_t>(8, 2 * blocks_.size()));
  // Uninitialised on purpose: pages are only touched as rows reach them.
  blocks_.push_back(spare_ ? std::move(spare_)
                           : std::make_unique_for_overwrite<char[]>(kBlockSize));
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

void LogBuffer::markWritten(std::size_t count) {
  written_ += std::min(count, pending());
  while (blocks_.size() > 1 && dropped_ + kBlockSize <= written_) {
    if (!spare_) spare_ = std::move(blocks_.front());
    blocks_.erase(blocks_.begin());
    dropped_ += kBlockSize;
  }
  if (blocks_.size() == 1) {
    const std::size_t done = written_ - dropped_;
    const std::size_t rest = used_ - done;
    char* start = blocks_.front().get();
    std::memmove(start, start + done, rest);
    dropped_ = written_;
    used_ = rest;
    cursor_ = start + rest;
    room_ = kBlockSize - rest;
  }
}

}  // namespace cablog
