#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

namespace cablog::testing {

TempDir::TempDir(std::string_view hint) {
  static std::atomic<unsigned> counter{0};
  std::random_device entropy;
  const auto unique = std::to_string(entropy()) + "-" + std::to_string(counter++);
  path_ = std::filesystem::temp_directory_path() / (std::string(hint) + "-" + unique);
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TempDir::write(std::string_view name, std::string_view bytes) const {
  std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

CurrentDirectory::CurrentDirectory(const std::filesystem::path& dir)
    : previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(dir);
}

CurrentDirectory::~CurrentDirectory() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
}

std::string readBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::filesystem::path onlyLog(const std::filesystem::path& folder) {
  std::filesystem::path found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("Log_") || !name.ends_with(".csv")) continue;
    EXPECT_TRUE(found.empty()) << "more than one log in " << folder;
    found = entry.path();
  }
  return found;
}

}  // namespace cablog::testing
