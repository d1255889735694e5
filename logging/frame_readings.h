// The readings of one frame, as the logger takes them.
#pragma once

#include <cstdint>

namespace cablog {

struct FrameReadings {
  double location;
  float speed;
  std::int32_t time;  // milliseconds
  float bc;
  float mr;
  float er;
  float bp;
  float sap;
  float current;
};

}  // namespace cablog
