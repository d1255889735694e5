// Every call the stand-in makes into a module goes through a Caller, so that
// a crash report can name the call, the frame, the time and the location,
// whichever program (a drive or a replay) was running.
#pragma once

#include <cstdint>

#include "crash_report.h"
#include "plugin_api.h"

namespace host {

class Caller {
 public:
  explicit Caller(const PluginApi& api) : api_(api), site_(callSite()) {}

  template <typename Function, typename... Args>
  auto call(const char* name, Function PluginApi::*entry, Args... args) const {
    site_.call = name;
    struct Leave {
      CallSite& site;
      ~Leave() { site.call = nullptr; }
    } leave{site_};
    return (api_.*entry)(args...);
  }

  void at(std::int64_t frame, std::int64_t timeMs, double location) const {
    site_.frame = frame;
    site_.timeMs = timeMs;
    site_.location = location;
  }

 private:
  const PluginApi& api_;
  CallSite& site_;
};

}  // namespace host
