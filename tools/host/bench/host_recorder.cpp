#include "host_recorder.h"

#include <array>
#include <atomic>
#include <cstring>

#include "crash_report.h"
#include "host_error.h"
#include "platform/platform.h"

namespace host {

namespace {

namespace rec = cablog::recording;
using Array = std::array<std::int32_t, rec::kArraySize>;

// The longest Elapse record: four full change lists.
constexpr std::size_t kLongestElapse =
    2 + rec::kStateBytes + rec::kHandleBytes + 4 * (2 + rec::kArraySize * rec::kChangeBytes);

// Plain static storage: the crash report reads it from a signal handler.
// Only whole records are counted in `buffered`; `pending` holds the Elapse
// under way.
struct Storage {
  cablog::platform::SharedFile file;
  char buffer[1 << 20];
  std::atomic<std::size_t> buffered{0};
  char pending[kLongestElapse];
  std::atomic<std::size_t> pendingLength{0};
  // The arrays on return from the last Elapse, and the Elapse under way.
  Array panelOut{}, soundOut{};
  Array panelIn{}, soundIn{};
  VehicleState state{};
  bool active = false;
};
Storage storage;

void saveOnCrash() {
  storage.file.write(storage.buffer, storage.buffered.load());
  storage.file.write(storage.pending, storage.pendingLength.load());
}

class Encoder {
 public:
  explicit Encoder(char* at) : start_(at), at_(at) {}
  void bytes(const void* data, std::size_t size) {
    std::memcpy(at_, data, size);
    at_ += size;
  }
  template <typename T>
  void value(const T& v) {
    bytes(&v, sizeof v);
  }
  // The entries of `now` that differ from `before`.
  void changes(const Array& before, const Array& now) {
    char* countAt = at_;
    at_ += 2;
    std::uint16_t count = 0;
    for (std::size_t i = 0; i < now.size(); ++i) {
      if (now[i] == before[i]) continue;
      value(static_cast<std::uint8_t>(i));
      value(now[i]);
      ++count;
    }
    std::memcpy(countAt, &count, sizeof count);
  }
  std::size_t length() const { return static_cast<std::size_t>(at_ - start_); }

 private:
  char* start_;
  char* at_;
};

void text(Encoder& out, std::string_view value) {
  out.value(static_cast<std::uint16_t>(value.size()));
  out.bytes(value.data(), value.size());
}

// An Elapse record of the state and arrays handed in (in `storage`) with
// what came back.
std::size_t encodeElapse(char* at, const HandleRecord& back, const Array& panelOut,
                         const Array& soundOut) {
  Encoder out(at);
  out.value(CallTag::Elapse);
  out.value(
      static_cast<std::uint8_t>(rec::ElapseFlags::kPanelGiven | rec::ElapseFlags::kSoundGiven));
  out.value(storage.state);
  out.changes(storage.panelOut, storage.panelIn);
  out.changes(storage.soundOut, storage.soundIn);
  out.value(back);
  out.changes(storage.panelIn, panelOut);
  out.changes(storage.soundIn, soundOut);
  return out.length();
}

Array copy(const std::int32_t* values) {
  Array array{};
  std::memcpy(array.data(), values, sizeof array);
  return array;
}

}  // namespace

HostRecorder::HostRecorder(const std::string& path) : path_(path) {
  if (storage.active) throw HostError("only one recording at a time");
  storage.file =
      cablog::platform::SharedFile::open(path, cablog::platform::SharedFile::Start::Empty);
  if (!storage.file.isOpen()) throw HostError("cannot write the recording " + path);
  storage.active = true;
  storage.buffered = 0;
  storage.pendingLength = 0;
  storage.panelOut = storage.soundOut = Array{};
  char header[64];
  Encoder out(header);
  out.bytes(rec::kRecordingMagic.data(), rec::kRecordingMagic.size());
  out.value(rec::kRecordingFormatVersion);
  text(out, "cablog-host");
  text(out, "");  // no chained plug-in: the module driven is the one recorded
  out.value(std::uint64_t{0});
  out.value(std::uint64_t{0});
  std::memcpy(storage.buffer, header, out.length());
  storage.buffered = out.length();
  setCrashHook(saveOnCrash);
}

HostRecorder::~HostRecorder() {
  setCrashHook(nullptr);
  try {
    flush();
  } catch (const HostError&) {
    // The drive's own result stands; a recording that could not be written
    // was reported by the flush the drive made at its end.
  }
  storage.file.close();
  storage.active = false;
}

void HostRecorder::flush() {
  const std::size_t size = storage.buffered.load();
  const std::size_t written = storage.file.write(storage.buffer, size);
  storage.buffered = 0;
  if (written != size) throw HostError("cannot write the recording " + path_);
}

template <typename... Argument>
void HostRecorder::append(CallTag tag, const Argument&... argument) {
  if (storage.buffered.load() + 64 > sizeof storage.buffer) flush();
  Encoder out(storage.buffer + storage.buffered.load());
  out.value(tag);
  (out.value(argument), ...);
  storage.buffered.fetch_add(out.length());
}

void HostRecorder::call(CallTag tag) {
  append(tag);
}
void HostRecorder::call(CallTag tag, std::int32_t value) {
  append(tag, value);
}
void HostRecorder::call(CallTag tag, const VehicleSpec& vehicle) {
  append(tag, vehicle);
}
void HostRecorder::call(CallTag tag, const BeaconData& beacon) {
  append(tag, beacon);
}

void HostRecorder::elapseIn(const VehicleState& state, const std::int32_t* panel,
                            const std::int32_t* sound, const HandleRecord& handedIn) {
  storage.state = state;
  storage.panelIn = copy(panel);
  storage.soundIn = copy(sound);
  storage.pendingLength = encodeElapse(storage.pending, handedIn, storage.panelIn, storage.soundIn);
}

void HostRecorder::elapseOut(const HandleRecord& back, const std::int32_t* panel,
                             const std::int32_t* sound) {
  if (storage.buffered.load() + kLongestElapse > sizeof storage.buffer) flush();
  const Array panelOut = copy(panel);
  const Array soundOut = copy(sound);
  const std::size_t length =
      encodeElapse(storage.buffer + storage.buffered.load(), back, panelOut, soundOut);
  storage.pendingLength = 0;
  storage.buffered.fetch_add(length);
  storage.panelOut = panelOut;
  storage.soundOut = soundOut;
}

}  // namespace host
