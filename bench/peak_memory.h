// The most memory the process has held resident since it started.
#pragma once

#include <cstdint>

namespace cablog::bench {

std::uint64_t peakResidentBytes();

}  // namespace cablog::bench
