// Two plug-ins given the same calls, the second with Events=1: a row the
// second log gains on a frame where the first gains none is an extra row.
// Without its extra rows the second log must be the first, byte for byte.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "plugin/plugin.h"

namespace cablog::testing {

class ExtraRows {
 public:
  // Both plug-ins loaded afresh: their logs start again.
  void clear() { extra_.clear(); }

  // Around one Elapse of each. `after` returns what went wrong, if anything.
  void before(const Plugin& plain, const Plugin& evented) {
    plainSize_ = plain.logger.logBuffer.size();
    eventedSize_ = evented.logger.logBuffer.size();
  }
  std::string after(const Plugin& plain, const Plugin& evented) {
    const bool periodic = plain.logger.logBuffer.size() != plainSize_;
    const std::size_t grown = evented.logger.logBuffer.size() - eventedSize_;
    if (periodic && grown == 0) return "a periodic row is missing with Events=1";
    if (!periodic && grown > 0) extra_.push_back({eventedSize_, grown});
    return {};
  }

  // The evented log (from its start) without its extra rows.
  std::string without(std::string log) const {
    for (auto row = extra_.rbegin(); row != extra_.rend(); ++row) {
      if (row->at + row->size <= log.size()) log.erase(row->at, row->size);
    }
    return log;
  }
  std::size_t count() const { return extra_.size(); }

 private:
  struct Row {
    std::size_t at;
    std::size_t size;
  };
  std::vector<Row> extra_;
  std::size_t plainSize_ = 0;
  std::size_t eventedSize_ = 0;
};

}  // namespace cablog::testing
