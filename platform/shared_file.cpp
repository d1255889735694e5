#include "platform/native_file.h"
#include "platform/platform.h"

namespace cablog::platform {
namespace {

// Set only by tests, between calls; the plug-in itself runs on the host's
// one thread.
FileFaults pendingFaults;

bool takeFault(int& count) {
  if (count <= 0) return false;
  --count;
  return true;
}

}  // namespace

FileFaults injectFileFaults(const FileFaults& faults) {
  const FileFaults left = pendingFaults;
  pendingFaults = faults;
  return left;
}

SharedFile SharedFile::open(const std::string& path, Start start) {
  if (takeFault(pendingFaults.failingOpens)) return {};
  const std::intptr_t handle = native::openFile(path, start);
  return handle < 0 ? SharedFile() : SharedFile(handle);
}

SharedFile& SharedFile::operator=(SharedFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    other.handle_ = kClosed;
  }
  return *this;
}

std::size_t SharedFile::write(const char* data, std::size_t size) {
  if (!isOpen()) return 0;
  if (takeFault(pendingFaults.failingWrites)) return 0;
  if (takeFault(pendingFaults.shortWrites)) size /= 2;
  return native::writeFile(handle_, data, size);
}

bool SharedFile::close() {
  if (!isOpen()) return true;
  const bool ok = native::closeFile(handle_);
  handle_ = kClosed;
  return ok;
}

}  // namespace cablog::platform
