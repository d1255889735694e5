// The readings of one frame, as the logger takes them.
#pragma once

#include <cstdint>

namespace cablog {

struct PluginReadings;

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
  // Set only while a train plug-in is chained; read on sampled frames.
  const PluginReadings* plugin = nullptr;
};

}  // namespace cablog
