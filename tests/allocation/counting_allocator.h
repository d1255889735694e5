// Every operator new of the test program is counted, so a test can tell
// whether a piece of code allocated at all, and any one of them can be made
// to fail. On Linux this reaches into the built module too, which takes its
// operator new from the program.
#pragma once

#include <cstddef>

namespace cablog::testing {

// Allocations through operator new (plain, array and nothrow forms) since
// the program started.
std::size_t allocationCount();

// Makes the n-th allocation from now on (1: the next) fail as when memory
// runs out, and with `lasting` every one after it too; 0 fails none.
// Returns how many were still to go before it (1 once lasting failures
// began). allocationFailed tells whether one has failed since.
std::size_t failAllocation(std::size_t n, bool lasting = false);
bool allocationFailed();

}  // namespace cablog::testing
