// A scratch folder for one test, removed afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace cablog::testing {

class TempDir {
 public:
  // `hint` becomes part of the folder's name (say, to put ".dll" in it).
  explicit TempDir(std::string_view hint = "cablog");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(std::string_view name) const { return (path_ / name).string(); }
  void write(std::string_view name, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

// Makes `dir` the current directory while in scope.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::filesystem::path& dir);
  ~CurrentDirectory();
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

std::string readBytes(const std::filesystem::path& file);

// The log cablog wrote into `folder` (Log_*.csv); empty when there is none.
// A second one fails the test.
std::filesystem::path onlyLog(const std::filesystem::path& folder);

}  // namespace cablog::testing
