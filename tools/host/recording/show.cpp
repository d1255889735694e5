#include "show.h"

#include <fstream>

#include "call_text.h"
#include "command_line.h"
#include "recording_reader.h"

namespace host {

void showRecording(std::istream& in, std::ostream& out) {
  RecordingReader reader(in);
  out << headerText(reader.header());
  RecordedCall call;
  std::uint64_t frame = 0;
  while (reader.next(call)) {
    if (call.tag == CallTag::Elapse) ++frame;
    out << callText(call, frame) << '\n';
    // The frames that follow keep the numbers of the recorded run.
    if (call.tag == CallTag::Gap) frame += call.missedFrames;
  }
  if (reader.cutShort()) {
    out << "# cut short: the call at byte " << reader.offset() << " is incomplete\n";
  }
}

int showCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1 || args[0].starts_with("-")) {
    err << "usage: cablog-host show RECORDING\n";
    return kExitCannotRun;
  }
  std::ifstream in(pathOf(args[0]), std::ios::binary);
  if (!in) {
    err << "cablog-host show: cannot open " << args[0] << "\n";
    return kExitCannotRun;
  }
  try {
    showRecording(in, out);
  } catch (const RecordingError& error) {
    out.flush();
    err << "cablog-host show: " << args[0] << ": " << error.what() << "\n";
    return kExitCannotRun;
  }
  return kExitHeld;
}

}  // namespace host
