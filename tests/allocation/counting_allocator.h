// Every operator new of the test program is counted, so a test can tell
// whether a piece of code allocated at all.
#pragma once

#include <cstddef>

namespace cablog::testing {

// Allocations through operator new (plain, array and nothrow forms) since
// the program started.
std::size_t allocationCount();

}  // namespace cablog::testing
