// What a test reads of a log still in memory: the bytes its blocks hold, in
// order. Before anything is written that is the whole log; once written
// blocks are dropped, only what is left, so its size also bounds the memory
// the log keeps.
#pragma once

#include <span>
#include <string>

#include "logging/log_buffer.h"

namespace cablog::testing {

// Into `text`, whose buffer a caller that reads logs over and over keeps.
inline void heldText(const LogBuffer& log, std::string& text) {
  text.clear();
  log.forEachChunk([&](std::span<const char> chunk) { text.append(chunk.data(), chunk.size()); });
}

inline std::string heldText(const LogBuffer& log) {
  std::string text;
  heldText(log, text);
  return text;
}

}  // namespace cablog::testing
