#include "call_text.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>

namespace host {
namespace {

template <typename Number>
std::string shortest(Number value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

// " panel 12=5 sound 7=36000", for the lists named.
void appendChanges(std::string& line, const RecordedCall& call, ChangeList panel,
                   ChangeList sound) {
  for (const ChangeList list : {panel, sound}) {
    for (const ArrayChange& change : call.changes[list]) {
      line += list == panel ? " panel " : " sound ";
      line += std::to_string(change.index) + '=' + std::to_string(change.value);
    }
  }
}

}  // namespace

std::string floatText(float value) {
  return shortest(value);
}
std::string doubleText(double value) {
  return shortest(value);
}

std::string clockText(std::int32_t ms) {
  const std::int64_t all = ms;
  const std::int64_t magnitude = all < 0 ? -all : all;
  char text[32];
  std::snprintf(text, sizeof text, "%s%02" PRId64 ":%02" PRId64 ":%02" PRId64 ".%03" PRId64,
                all < 0 ? "-" : "", magnitude / 3600000, magnitude / 60000 % 60,
                magnitude / 1000 % 60, magnitude % 1000);
  return text;
}

std::string hex64(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%016" PRIx64, value);
  return text;
}

std::string headerText(const RecordingHeader& header) {
  std::string text = "# cablog recording, format " + std::to_string(header.version) +
                     ", written by cablog " + header.cablogVersion + "\n";
  if (header.moduleName.empty()) return text + "# no train plug-in chained\n";
  return text + "# chained to " + header.moduleName + ", " + std::to_string(header.moduleSize) +
         " bytes, fnv1a64 " + hex64(header.moduleHash) + "\n";
}

std::string gapText(const RecordedCall& gap, std::uint64_t frame) {
  const std::string others =
      std::to_string(gap.missedCalls) + (gap.missedCalls == 1 ? " other call" : " other calls");
  if (gap.missedFrames == 0)
    return others + " after frame " + std::to_string(frame) + " not recorded";
  std::string text = "frames " + std::to_string(frame + 1) + "-" +
                     std::to_string(frame + gap.missedFrames) + " were not recorded";
  return gap.missedCalls == 0 ? text : text + ", nor " + others + " among them";
}

std::string callText(const RecordedCall& call, std::uint64_t frame) {
  if (call.tag == CallTag::Gap) return "# " + gapText(call, frame);
  const std::string name(cablog::recording::kCallKinds[static_cast<int>(call.tag) - 1].name);
  switch (call.tag) {
    case CallTag::SetVehicleSpec: {
      const VehicleSpec& v = call.vehicle;
      return name + " brakeNotches=" + std::to_string(v.brakeNotches) +
             " powerNotches=" + std::to_string(v.powerNotches) +
             " notch3=" + std::to_string(v.notch3) + " notch4=" + std::to_string(v.notch4) +
             " cars=" + std::to_string(v.cars);
    }
    case CallTag::SetBeaconData: {
      const BeaconData& b = call.beacon;
      return name + " type=" + std::to_string(b.type) + " signal=" + std::to_string(b.signal) +
             " distance=" + floatText(b.distance) + " optional=" + std::to_string(b.optional);
    }
    case CallTag::Elapse: {
      const VehicleState& s = call.state;
      std::string line = name + " " + std::to_string(frame) +
                         " location=" + doubleText(s.location) + " speed=" + floatText(s.speed) +
                         " time=" + std::to_string(s.time) + " bc=" + floatText(s.bc) +
                         " mr=" + floatText(s.mr) + " er=" + floatText(s.er) +
                         " bp=" + floatText(s.bp) + " sap=" + floatText(s.sap) +
                         " current=" + floatText(s.current);
      if (!call.panelGiven) line += " no-panel";
      if (!call.soundGiven) line += " no-sound";
      // The arrays as changes: handed in against the previous return, and
      // on return against what was handed in.
      if (!call.changes[kPanelIn].empty() || !call.changes[kSoundIn].empty()) line += " in:";
      appendChanges(line, call, kPanelIn, kSoundIn);
      const HandleRecord& h = call.back;
      // A faulted frame went back with cablog's emergency brake, not with
      // anything the plug-in decided.
      line += (call.faulted ? " -> fault, emergency brake: brake=" : " -> brake=") +
              std::to_string(h.brake) + " power=" + std::to_string(h.power) +
              " reverser=" + std::to_string(h.reverser) +
              " constantSpeed=" + std::to_string(h.constantSpeed);
      if (!call.changes[kPanelOut].empty() || !call.changes[kSoundOut].empty()) line += " out:";
      appendChanges(line, call, kPanelOut, kSoundOut);
      return line;
    }
    default:
      if (cablog::recording::kCallKinds[static_cast<int>(call.tag) - 1].argumentBytes == 4) {
        return name + " " + std::to_string(call.value);
      }
      return name;
  }
}

}  // namespace host
