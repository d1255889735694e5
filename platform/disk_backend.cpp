// The backend of what ships: the calls of platform.h that tests replace
// (tests/support/test_backend.cpp), straight to the system.
#include "platform/native_file.h"
#include "platform/platform.h"

namespace cablog::platform {

bool fileExists(const std::string& path) {
  return native::fileExists(path);
}

bool removeFile(const std::string& path) {
  return native::removeFile(path);
}

std::optional<std::string> readFile(const std::string& path) {
  return native::readFile(path);
}

std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit,
                                           std::string& refusal) {
  return native::readRegularFile(path, limit, refusal);
}

void writeSmallFile(const std::string& path, std::string_view text, bool append) {
  native::writeSmallFile(path, text, append);
}

std::chrono::steady_clock::time_point steadyNow() {
  return std::chrono::steady_clock::now();
}

SharedFile SharedFile::open(const std::string& path, Start start) {
  const std::intptr_t handle = native::openFile(path, start);
  return handle < 0 ? SharedFile() : SharedFile(handle);
}

std::size_t SharedFile::write(const char* data, std::size_t size) {
  if (!isOpen()) return 0;
  return native::writeFile(handle_, data, size);
}

bool SharedFile::close() {
  if (!isOpen()) return true;
  const bool ok = native::closeFile(handle_);
  handle_ = kClosed;
  return ok;
}

}  // namespace cablog::platform
