// What happened between two rows, in call order: the text of the EVENTS
// cell. Kept in a fixed buffer, so that recording an event never allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace cablog {

// The one list of event names, an entry of the EVENTS cell each (the stand-in
// has timed actions of a drive script, which are something else). Those
// ending in "_" take the call's number.
enum class LogEvent : std::uint8_t {
  Signal,
  Beacon,
  DoorOpen,
  DoorClose,
  KeyDown,
  KeyUp,
  Horn,
  Power,
  Brake,
  Reverser,
  Initialize,
  Vehicle,
  PluginBrake,
  PluginPower,
  PluginReverser,
  PluginConstantSpeed,
  // The chained plug-in's Elapse failed; cablog applied the emergency brake.
  PluginFault,
};
inline constexpr std::string_view kEventNames[] = {
    "SIGNAL",       "BEACON",       "DOOR_OPEN",       "DOOR_CLOSE",
    "KEY_DOWN_",    "KEY_UP_",      "HORN_",           "POWER",
    "BRAKE",        "REVERSER",     "INITIALIZE",      "VEHICLE",
    "PLUGIN_BRAKE", "PLUGIN_POWER", "PLUGIN_REVERSER", "PLUGIN_CONSTANT_SPEED",
    "PLUGIN_FAULT",
};
static_assert(std::size(kEventNames) == static_cast<std::size_t>(LogEvent::PluginFault) + 1);

// Names the cell shows; the rest are counted in a last word "+N".
inline constexpr std::size_t kEventsShown = 16;
// The longest name, "PLUGIN_CONSTANT_SPEED" or a prefix with the smallest
// int, and its separating blank.
inline constexpr std::size_t kEventNameCapacity = 24;
inline constexpr std::size_t kEventsCellCapacity = kEventsShown * kEventNameCapacity + 24;

class EventList {
 public:
  void add(LogEvent event);
  // For the events whose name ends in the call's number.
  void add(LogEvent event, std::int32_t number);

  bool empty() const { return count_ == 0; }
  void clear() {
    size_ = 0;
    count_ = 0;
  }

  // The names shown, separated by one blank, then "+N" for the N not
  // shown; empty without events. Valid until the next add or clear.
  std::string_view cell();

 private:
  bool startName();

  char text_[kEventsCellCapacity];
  std::size_t size_ = 0;     // of the names shown
  std::uint64_t count_ = 0;  // every event since the last clear
};

}  // namespace cablog
