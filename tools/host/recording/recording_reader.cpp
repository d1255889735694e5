#include "recording_reader.h"

#include <cstdio>

namespace host {
namespace {

namespace rec = cablog::recording;

constexpr std::size_t kBufferSize = std::size_t{1} << 16;

static_assert(sizeof(VehicleState) == rec::kStateBytes);
static_assert(sizeof(HandleRecord) == rec::kHandleBytes);
static_assert(sizeof(VehicleSpec) == 20 && sizeof(BeaconData) == 16);

std::string hexByte(unsigned char byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", byte);
  return text;
}

}  // namespace

RecordingReader::RecordingReader(std::istream& in) : in_(in), buffer_(kBufferSize) {
  const std::string expectedMagic =
      "\"" + std::string(rec::kRecordingMagic) + "\" (this is not a cablog recording)";
  if (!ensure(rec::kRecordingMagic.size()) ||
      std::string_view(take(rec::kRecordingMagic.size()), rec::kRecordingMagic.size()) !=
          rec::kRecordingMagic) {
    throw RecordingError(0, expectedMagic);
  }
  if (!ensure(4)) throw RecordingError(consumed_, "the format version");
  header_.version = read<std::uint32_t>();
  if (header_.version != rec::kRecordingFormatVersion) {
    throw RecordingError(consumed_ - 4, "format version " +
                                            std::to_string(rec::kRecordingFormatVersion) +
                                            ", found version " + std::to_string(header_.version) +
                                            " (written by another cablog than this stand-in's)");
  }
  header_.cablogVersion = readText("cablog's version");
  header_.moduleName = readText("the chained plug-in's file name");
  if (!ensure(16)) throw RecordingError(consumed_, "the chained plug-in's size and hash");
  header_.moduleSize = read<std::uint64_t>();
  header_.moduleHash = read<std::uint64_t>();
}

bool RecordingReader::ensure(std::size_t n) {
  if (end_ - cursor_ >= n) return true;
  const std::size_t rest = end_ - cursor_;
  std::memmove(buffer_.data(), buffer_.data() + cursor_, rest);
  cursor_ = 0;
  end_ = rest;
  while (end_ < n && in_) {
    in_.read(buffer_.data() + end_, static_cast<std::streamsize>(buffer_.size() - end_));
    end_ += static_cast<std::size_t>(in_.gcount());
  }
  return end_ >= n;
}

const char* RecordingReader::take(std::size_t n) {
  const char* at = buffer_.data() + cursor_;
  cursor_ += n;
  consumed_ += n;
  return at;
}

std::string RecordingReader::readText(const char* what) {
  if (!ensure(2)) throw RecordingError(consumed_, std::string("the length of ") + what);
  const auto length = read<std::uint16_t>();
  if (length > rec::kMaxHeaderText) {
    throw RecordingError(consumed_ - 2, std::string("the length of ") + what + ", at most " +
                                            std::to_string(rec::kMaxHeaderText) + ", found " +
                                            std::to_string(length));
  }
  if (!ensure(length)) throw RecordingError(consumed_, std::string(what));
  return std::string(take(length), length);
}

bool RecordingReader::readChanges(HostArray& array, ChangeList list, RecordedCall& call) {
  const char* what = list == kPanelIn || list == kPanelOut ? "panel" : "sound";
  if (!ensure(2)) return false;
  const std::uint64_t at = consumed_;
  const auto count = read<std::uint16_t>();
  if (count > array.size()) {
    throw RecordingError(at, std::string("a count of ") + what + " changes, at most 256, found " +
                                 std::to_string(count));
  }
  if (!ensure(std::size_t{count} * rec::kChangeBytes)) return false;
  int previous = -1;
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::uint64_t entry = consumed_;
    const auto index = read<std::uint8_t>();
    if (index <= previous) {
      throw RecordingError(entry, std::string("a ") + what + " index above " +
                                      std::to_string(previous) + ", found " +
                                      std::to_string(index));
    }
    previous = index;
    array[index] = read<std::int32_t>();
    changes_[list][i] = {index, array[index]};
  }
  call.changes[list] = std::span<const ArrayChange>(changes_[list].data(), count);
  return true;
}

bool RecordingReader::readElapse(RecordedCall& call) {
  const std::uint64_t flagsAt = consumed_;
  const auto flags = read<std::uint8_t>();
  if ((flags & ~rec::ElapseFlags::kAll) != 0) {
    throw RecordingError(flagsAt, "Elapse flags from 0 to " +
                                      std::to_string(rec::ElapseFlags::kAll) + ", found " +
                                      hexByte(flags));
  }
  if ((flags & rec::ElapseFlags::kSameHandles) != 0 && !lastBack_) {
    throw RecordingError(flagsAt, "the first Elapse to hold its handle record, found none");
  }
  call.state = read<VehicleState>();
  for (auto& list : call.changes) list = {};
  call.panelGiven = (flags & rec::ElapseFlags::kPanelGiven) != 0;
  call.soundGiven = (flags & rec::ElapseFlags::kSoundGiven) != 0;
  call.faulted = (flags & rec::ElapseFlags::kFaulted) != 0;
  // Told against the arrays on return from the previous Elapse.
  if (call.panelGiven) {
    panelIn_ = panelOut_;
    if (!readChanges(panelIn_, kPanelIn, call)) return false;
  }
  if (call.soundGiven) {
    soundIn_ = soundOut_;
    if (!readChanges(soundIn_, kSoundIn, call)) return false;
  }
  if ((flags & rec::ElapseFlags::kSameHandles) == 0) {
    if (!ensure(rec::kHandleBytes)) return false;
    lastBack_ = read<HandleRecord>();
  }
  call.back = *lastBack_;
  if (call.panelGiven) {
    panelOut_ = panelIn_;
    if (!readChanges(panelOut_, kPanelOut, call)) return false;
  }
  if (call.soundGiven) {
    soundOut_ = soundIn_;
    if (!readChanges(soundOut_, kSoundOut, call)) return false;
  }
  call.panelIn = &panelIn_;
  call.soundIn = &soundIn_;
  call.panelOut = &panelOut_;
  call.soundOut = &soundOut_;
  return true;
}

bool RecordingReader::next(RecordedCall& call) {
  if (cutShort_) return false;
  const std::uint64_t start = consumed_;
  const auto cut = [&] {
    cutShort_ = true;
    cutAt_ = start;
    return false;
  };
  if (!ensure(1)) {
    if (end_ > cursor_) return cut();
    return false;
  }
  const auto tag = read<std::uint8_t>();
  if (tag == rec::kGapTag) {
    if (!ensure(rec::kGapBytes)) return cut();
    call.tag = CallTag::Gap;
    call.offset = start;
    call.missedFrames = read<std::uint32_t>();
    call.missedCalls = read<std::uint32_t>();
    // Nothing after a gap is told against what came before it.
    lastBack_.reset();
    panelOut_.fill(0);
    soundOut_.fill(0);
    return true;
  }
  const rec::CallKind* kind = rec::callKind(tag);
  if (kind == nullptr) {
    throw RecordingError(
        start, "a call tag from 1 to " + std::to_string(rec::kGapTag) + ", found " + hexByte(tag));
  }
  if (!ensure(kind->argumentBytes)) return cut();
  call.tag = kind->tag;
  call.offset = start;
  switch (kind->tag) {
    case CallTag::SetVehicleSpec:
      call.vehicle = read<VehicleSpec>();
      break;
    case CallTag::SetBeaconData:
      call.beacon = read<BeaconData>();
      break;
    case CallTag::Elapse:
      if (!readElapse(call)) return cut();
      break;
    default:
      if (kind->argumentBytes == 4) call.value = read<std::int32_t>();
      break;
  }
  return true;
}

}  // namespace host
