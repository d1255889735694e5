// Every call the stand-in makes into a module goes through a Caller, so that
// a crash report can name the call, the frame, the time and the location,
// whichever program (a drive or a replay) was running, and the watchdog can
// tell a call that does not return.
#pragma once

#include <cstdint>

#include "crash_report.h"
#include "plugin_api.h"

namespace host {

class Caller {
 public:
  // What becomes of a C++ exception that escapes the module: in a drive it
  // is a crash, for the module's state can no longer be trusted and no host
  // could go on with it; a replay counts it and goes on, as cablog does
  // with a chained plug-in's.
  enum Exceptions { kExceptionsCrash, kExceptionsReturn };

  explicit Caller(const PluginApi& api, Exceptions exceptions = kExceptionsCrash)
      : api_(api), site_(callSite()), exceptions_(exceptions) {}

  template <typename Function, typename... Args>
  auto call(const char* name, Function PluginApi::*entry, Args... args) const {
    site_.call.store(name);
    site_.calls.fetch_add(1);
    struct Leave {
      CallSite& site;
      ~Leave() { site.call.store(nullptr); }
    } leave{site_};
    try {
      return (api_.*entry)(args...);
    } catch (...) {
      if (exceptions_ == kExceptionsReturn) throw;
      reportEscapedException();
    }
  }

  void at(std::int64_t frame, std::int64_t timeMs, double location) const {
    site_.frame.store(frame);
    site_.timeMs.store(timeMs);
    site_.location.store(location);
  }

 private:
  const PluginApi& api_;
  CallSite& site_;
  Exceptions exceptions_;
};

}  // namespace host
