// How fast cablog-host replays: records a long run through the built cablog
// module ([Log] Record=1, a row every 60 frames, a beacon now and then, the
// handles left at 0), then replays it into a plug-in that does nothing, which
// hands back the same zeros: every frame is compared in full and matches.
// Prints one "name value" line per measure.
//
//   cablog_replay_speed MODULE NULL_PLUGIN [FRAMES] [FOLDER]
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <sstream>

#include "bench/host_module.h"
#include "replay.h"

namespace cablog::bench {
namespace {

std::filesystem::path findRecording(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".rec") return entry.path();
  }
  throw std::runtime_error("no recording in " + folder.string());
}

int run(const std::filesystem::path& builtModule, const std::filesystem::path& nullPlugin,
        std::uint64_t frames, const std::filesystem::path& folder) {
  std::filesystem::remove_all(folder);
  const auto module = prepareModuleFolder(builtModule, folder, 60, 0, true);
  {
    LoadedModule host = loadHostModule(module);
    host.Load();
    std::array<std::int32_t, 256> panel{};
    std::array<std::int32_t, 256> sound{};
    for (std::uint64_t frame = 0; frame < frames; ++frame) {
      if (frame % 600 == 0)
        host.SetBeaconData({static_cast<std::int32_t>(frame % 31), 4, 250.5f, 0});
      host.Elapse(frameAt(frame), panel.data(), sound.data());
    }
    host.Dispose();
  }
  const std::filesystem::path recording = findRecording(folder);
  std::ostringstream summary;
  const host::ReplayResult result =
      host::replay({recording.string(), nullPlugin.string(), ""}, summary);
  std::printf("frames %llu\n", static_cast<unsigned long long>(result.frames));
  std::printf(
      "recording_bytes_per_frame %.1f\n",
      static_cast<double>(std::filesystem::file_size(recording)) / static_cast<double>(frames));
  std::printf("replay_seconds %.4f\n", result.seconds);
  std::printf("replay_frames_per_second %.0f\n",
              static_cast<double>(result.frames) / result.seconds);
  std::filesystem::remove_all(folder);
  return result.frames == frames && result.differing == 0 ? 0 : 1;
}

}  // namespace
}  // namespace cablog::bench

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s MODULE NULL_PLUGIN [FRAMES] [FOLDER]\n", argv[0]);
    return 2;
  }
  const std::uint64_t frames = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 2'000'000;
  const std::filesystem::path folder =
      argc > 4 ? std::filesystem::path(argv[4]) : cablog::bench::scratchFolder("cablog_replay");
  try {
    return cablog::bench::run(std::filesystem::absolute(argv[1]),
                              std::filesystem::absolute(argv[2]), frames, folder);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
