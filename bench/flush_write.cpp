// What one write of the streamed log costs by its size: each size written
// many times after the end of a file in the page cache, as the flushes of a
// run do, timing every write. The threshold in logging/log_stream.h comes from
// these figures: the largest size whose 99th percentile stays well inside a
// frame.
//
//   cablog_flush_write [WRITES] [FOLDER]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/host_module.h"
#include "platform/platform.h"

namespace cablog::bench {
namespace {

using Clock = std::chrono::steady_clock;

int run(int writes, const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const std::string path = (folder / "flush.csv").string();
  std::printf("%10s %12s %12s %12s %12s\n", "bytes", "mean", "median", "p99", "worst");
  for (const std::size_t kib : {4, 8, 16, 32, 64, 128, 256, 1024}) {
    const std::string chunk(kib * 1024, 'x');
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(writes));
    platform::SharedFile file =
        platform::SharedFile::open(path, platform::SharedFile::Start::Empty);
    std::size_t inFile = 0;
    for (int i = 0; i < writes; ++i) {
      // A file of bounded size, so that the page cache never runs short.
      if (inFile > (std::size_t{64} << 20)) {
        file = platform::SharedFile::open(path, platform::SharedFile::Start::Empty);
        inFile = 0;
      }
      const auto start = Clock::now();
      const std::size_t n = file.write(chunk.data(), chunk.size());
      times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
      if (n != chunk.size()) {
        std::fprintf(stderr, "write of %zu bytes took %zu\n", chunk.size(), n);
        return 1;
      }
      inFile += n;
    }
    file.close();
    double total = 0;
    for (double t : times) total += t;
    std::sort(times.begin(), times.end());
    std::printf("%10zu %9.1f µs %9.1f µs %9.1f µs %9.1f µs\n", chunk.size(), total / writes,
                times[times.size() / 2], times[times.size() * 99 / 100], times.back());
  }
  std::filesystem::remove_all(folder);
  return 0;
}

}  // namespace
}  // namespace cablog::bench

int main(int argc, char** argv) {
  const int writes = argc > 1 ? std::atoi(argv[1]) : 2000;
  const std::filesystem::path folder =
      argc > 2 ? std::filesystem::path(argv[2]) : cablog::bench::scratchFolder("cablog_flush");
  return cablog::bench::run(std::max(writes, 1), folder);
}
