// What the host's calls do, on one instance of state. The exported functions
// forward to a single instance of this; tests make their own.
#pragma once

#include <cstdint>
#include <string>

#include "logging/frame_sampling.h"
#include "logging/logger.h"
#include "plugin/host_records.h"

namespace cablog {

// The last handle positions the host reported, handed back from every frame.
struct HandleEcho {
  std::int32_t brake = 0;
  std::int32_t power = 0;
  std::int32_t reverser = 0;
};

class Plugin {
 public:
  // Starts a log for the module at `modulePath`: reads the interval and the
  // columns beside it and names the log file. A second call starts afresh.
  void load(const std::string& modulePath);

  HandleRecord elapse(const VehicleState& state) {
    countFrame(logger, readingsOf(state));
    return {echo.brake, echo.power, echo.reverser, 0};
  }

  // Writes the log, or what of it is still waiting when it is streamed; may
  // be called again, writing the same file.
  void dispose();

  void setPower(std::int32_t notch);
  void setBrake(std::int32_t notch);
  void setReverser(std::int32_t position);
  void setSignal(std::int32_t aspect);
  void setBeaconData(const BeaconData& beacon);
  void doorOpen();
  void doorClose();

  Logger logger;
  HandleEcho echo;
};

}  // namespace cablog
