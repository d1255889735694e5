// What a fuzz target does when an oracle disagrees: say what differed and
// abort, so that libFuzzer keeps the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace cablog::fuzz {

[[noreturn]] inline void fail(std::string_view what, std::string_view got = {},
                              std::string_view expected = {}) {
  std::fprintf(stderr, "fuzz check failed: %.*s\n  got:      \"%.*s\"\n  expected: \"%.*s\"\n",
               static_cast<int>(what.size()), what.data(), static_cast<int>(got.size()), got.data(),
               static_cast<int>(expected.size()), expected.data());
  std::abort();
}

inline void check(bool ok, std::string_view what) {
  if (!ok) fail(what);
}

}  // namespace cablog::fuzz
