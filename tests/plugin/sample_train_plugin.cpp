// A train's own plug-in, as cablog finds one to chain: it records every call
// and argument it receives, applies the brake above a set speed, and writes
// chosen panel and sound entries. Its records are its own, as a third
// party's would be. SampleCalls() hands the record to a test that loaded the
// same module, and SampleCallCount how many calls came, kept or not; nothing
// here allocates before Dispose, so a chained run can be checked for
// allocation too. Asked to (SampleWatchLog), its Dispose reads the
// log cablog wrote: one that ends the process there must find it complete.
//
// Built five ways: as it is, answering another interface version
// (SAMPLE_VERSION), without HornBlow (SAMPLE_WITHOUT_HORN), braking above
// another speed (SAMPLE_LIMIT_KMH), as a changed build would, and broken
// (SAMPLE_THROW_AT_FRAME): its Elapse throws a std::runtime_error on that
// frame after Load, and its HornBlow throws an int every time.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#ifndef SAMPLE_VERSION
#define SAMPLE_VERSION 0x00020000
#endif
#ifndef SAMPLE_LIMIT_KMH
#define SAMPLE_LIMIT_KMH 45.0f
#endif

namespace {

struct State {
  double location;
  float speed;
  std::int32_t time;
  float bc, mr, er, bp, sap, current;
};
struct Beacon {
  std::int32_t type;
  std::int32_t signal;
  float distance;
  std::int32_t optional;
};
struct Handles {
  std::int32_t brake;
  std::int32_t power;
  std::int32_t reverser;
  std::int32_t constantSpeed;
};
struct VehicleDescription {
  std::int32_t brakeNotches;
  std::int32_t powerNotches;
  // Two further notch numbers for the plug-in's own use; this one brakes at
  // notch3.
  std::int32_t notch3;
  std::int32_t notch4;
  std::int32_t cars;
};

// Above this speed the train stop applies the brake at the vehicle's notch3.
constexpr float kLimit = SAMPLE_LIMIT_KMH;

char calls[1 << 20];
std::size_t used = 0;
// Off for a harness that never reads the calls: formatting them is most of
// what a chained frame costs.
bool keepCalls = true;
std::uint64_t callCount = 0;
VehicleDescription vehicle{};
Handles driver{};
int frames = 0;
std::filesystem::path watchedFolder;
std::string logAtDispose;

// Every log file in the folder, one after another.
std::string logsIn(const std::filesystem::path& folder) {
  std::string logs;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with("Log_")) {
      std::ostringstream bytes;
      bytes << std::ifstream(entry.path(), std::ios::binary).rdbuf();
      logs += bytes.str();
    }
  }
  return logs;
}

void record(const char* format, ...) {
  ++callCount;
  if (!keepCalls || used + 256 > sizeof calls) return;
  std::va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(calls + used, sizeof calls - used, format, args);
  va_end(args);
  if (n > 0) used += static_cast<std::size_t>(n);
  calls[used++] = '\n';
  calls[used] = '\0';
}

}  // namespace

extern "C" {

const char* SampleCalls() {
  return calls;
}
// Forgets the calls and what they told it, as a freshly loaded module.
void SampleReset() {
  used = 0;
  calls[0] = '\0';
  vehicle = {};
  driver = {};
  watchedFolder.clear();
  logAtDispose.clear();
}
std::uint64_t SampleCallCount() {
  return callCount;
}
void SampleKeepCalls(int keep) {
  keepCalls = keep != 0;
}
void SampleWatchLog(const char* folder) {
  watchedFolder = folder;
}
const char* SampleLogAtDispose() {
  return logAtDispose.c_str();
}

void Load() {
  frames = 0;
  record("Load");
}
void Dispose() {
  record("Dispose");
  if (!watchedFolder.empty()) logAtDispose = logsIn(watchedFolder);
}
std::int32_t GetPluginVersion() {
  record("GetPluginVersion");
  return SAMPLE_VERSION;
}
void SetVehicleSpec(VehicleDescription s) {
  vehicle = s;
  record("SetVehicleSpec %d %d %d %d %d", s.brakeNotches, s.powerNotches, s.notch3, s.notch4,
         s.cars);
}
void Initialize(std::int32_t mode) {
  record("Initialize %d", mode);
}
Handles Elapse(State s, std::int32_t* panel, std::int32_t* sound) {
  record("Elapse %.9g %.9g %d %.9g %.9g %.9g %.9g %.9g %.9g", s.location,
         static_cast<double>(s.speed), s.time, static_cast<double>(s.bc), static_cast<double>(s.mr),
         static_cast<double>(s.er), static_cast<double>(s.bp), static_cast<double>(s.sap),
         static_cast<double>(s.current));
#ifdef SAMPLE_THROW_AT_FRAME
  if (++frames == SAMPLE_THROW_AT_FRAME) throw std::runtime_error("planted fault\nin Elapse");
#endif
  const bool tripped = s.speed > kLimit;
  // Whole km/h; anything out of range (or NaN) shows as 0.
  panel[12] = s.speed > -1e9f && s.speed < 1e9f ? static_cast<std::int32_t>(s.speed) : 0;
  panel[255] = tripped ? 1 : 0;
  sound[0] = tripped ? 1 : -10000;
  sound[7] = s.time / 1000;
  if (!tripped) return {driver.brake, driver.power, driver.reverser, 0};
  return {vehicle.notch3, 0, driver.reverser, 2};
}
void SetPower(std::int32_t notch) {
  driver.power = notch;
  record("SetPower %d", notch);
}
void SetBrake(std::int32_t notch) {
  driver.brake = notch;
  record("SetBrake %d", notch);
}
void SetReverser(std::int32_t position) {
  driver.reverser = position;
  record("SetReverser %d", position);
}
void KeyDown(std::int32_t key) {
  record("KeyDown %d", key);
}
void KeyUp(std::int32_t key) {
  record("KeyUp %d", key);
}
#ifndef SAMPLE_WITHOUT_HORN
void HornBlow(std::int32_t horn) {
  record("HornBlow %d", horn);
#ifdef SAMPLE_THROW_AT_FRAME
  throw horn;
#endif
}
#endif
void DoorOpen() {
  record("DoorOpen");
}
void DoorClose() {
  record("DoorClose");
}
void SetSignal(std::int32_t aspect) {
  record("SetSignal %d", aspect);
}
void SetBeaconData(Beacon b) {
  record("SetBeaconData %d %d %.9g %d", b.type, b.signal, static_cast<double>(b.distance),
         b.optional);
}

}  // extern "C"
