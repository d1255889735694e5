// The watchdog: a call into the module that does not return in time ends
// the process with a report, so that a CI job never waits for ever.
#include <chrono>
#include <string>
#include <thread>

#include "crash_report.h"

namespace host {

void startWatchdog(std::int64_t seconds) {
  if (seconds <= 0) return;
  // Made before the thread starts: the report itself must not allocate.
  static const std::string what = "no return within " + std::to_string(seconds) + " s";
  std::thread([seconds] {
    const auto limit = std::chrono::seconds(seconds);
    CallSite& site = callSite();
    std::uint64_t watched = 0;
    auto since = std::chrono::steady_clock::now();
    for (;;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      const std::uint64_t calls = site.calls.load();
      const auto now = std::chrono::steady_clock::now();
      // A new call, or none under way: the clock starts again.
      if (calls != watched || site.call.load() == nullptr) {
        watched = calls;
        since = now;
      } else if (now - since >= limit) {
        reportFault({what.c_str(), nullptr, kExitTimedOut});
      }
    }
  }).detach();
}

}  // namespace host
