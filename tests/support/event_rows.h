// What Events=1 may do to a log, and all it may do: add rows.
#pragma once

#include <algorithm>
#include <string_view>

namespace cablog::testing {

// Whether leaving some rows out of `evented` gives `plain`, byte for byte.
inline bool someRowsLeftOutGive(std::string_view evented, std::string_view plain) {
  std::size_t matched = 0;
  for (std::size_t from = 0, end; from < evented.size(); from = end) {
    end = std::min(evented.find('\n', from), evented.size() - 1) + 1;
    const std::string_view row = evented.substr(from, end - from);
    if (plain.substr(matched).starts_with(row)) matched += row.size();
  }
  return matched == plain.size();
}

}  // namespace cablog::testing
