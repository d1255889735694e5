// Reads the input as a recording, as `cablog-host show` does: damage must end
// in a RecordingError at a byte inside the input, never in a crash. And a
// recording cut short reads as the calls before the cut: the text of the
// input cut at a point the input chooses is the start of the whole input's
// text, apart from its note on the cut.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/fuzz_check.h"
#include "recording_reader.h"
#include "show.h"

namespace {

using cablog::fuzz::check;

struct Shown {
  std::string text;
  bool damaged = false;
  std::uint64_t damageAt = 0;
};

Shown show(std::string_view bytes) {
  std::istringstream in{std::string(bytes)};
  std::ostringstream out;
  Shown shown;
  try {
    host::showRecording(in, out);
  } catch (const host::RecordingError& error) {
    shown.damaged = true;
    shown.damageAt = error.offset;
  }
  shown.text = out.str();
  return shown;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const Shown whole = show(bytes);
  check(!whole.damaged || whole.damageAt <= size, "damage reported beyond the end of the file");
  if (size == 0) return 0;
  const std::size_t cut = size * data[size - 1] / 256;
  Shown part = show(bytes.substr(0, cut));
  if (part.damaged) {
    // Only a header cut short, or damage before the cut.
    check(part.text.empty() || (whole.damaged && whole.damageAt <= part.damageAt),
          "a cut recording refused after its header");
    return 0;
  }
  // The note on the cut is the last line.
  const std::size_t lastLine = part.text.rfind('\n', part.text.size() - 2) + 1;
  if (part.text.compare(lastLine, 11, "# cut short") == 0) part.text.resize(lastLine);
  check(whole.text.starts_with(part.text), "a cut recording reads otherwise than its whole");
  return 0;
}
