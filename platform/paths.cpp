#include "platform/platform.h"

namespace cablog::platform {
namespace {

// The C++ runtime makes its per-thread exception state at the first throw,
// in thread-local storage that a host which is no C++ program has not
// reserved; when that first throw is itself for want of memory, the system
// cannot make it either and aborts the host. Asked for here, as the module
// is loaded, the state is made then, on the host's thread. Here, in a file
// both systems share, that the module always links.
// A throw, not a question such as std::uncaught_exceptions(): that one is
// declared pure, and a compiler may drop an unused variable it initialises.
[[maybe_unused]] const bool exceptionStateMadeAtLoad = [] {
  try {
    throw 0;
  } catch (int) {
  }
  return true;
}();

}  // namespace

bool isAbsolutePath(std::string_view path, std::string_view separators) {
  const auto separator = [&](std::size_t i) {
    return i < path.size() && separators.find(path[i]) != std::string_view::npos;
  };
  if (separators.find('\\') == std::string_view::npos) return separator(0);
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return (drive && separator(2)) || (separator(0) && separator(1));
}

}  // namespace cablog::platform
