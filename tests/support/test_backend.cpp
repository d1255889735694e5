// The test backend: the calls of platform.h that disk_backend.cpp makes in
// what ships, with the seams of test_seams.h. Set only by tests, between
// calls; the plug-in itself runs on the host's one thread.
#include "tests/support/test_seams.h"

#include "platform/native_file.h"
#include "platform/platform.h"

#include <algorithm>
#include <array>
#include <new>
#include <string>

namespace cablog::platform {
namespace {

FileFaults pendingFaults;
MemoryFiles* memoryFiles = nullptr;
SteadyClockReading readSteadyClock = &std::chrono::steady_clock::now;

// Memory files' handles lie below kClosed (-1), a native handle never does.
constexpr std::intptr_t kFirstMemoryHandle = -2;

// The files open in memory, each by its path, looked up at each write so
// that one removed while open takes no more bytes, as on disk. The slots are
// kept from one test to the next: a path copied into a slot used before
// allocates nothing, and the fast tests open files at every Load.
struct OpenInMemory {
  std::string path;
  bool open = false;
};
std::array<OpenInMemory, 64> openInMemorySlots;

bool inMemory(std::intptr_t handle) {
  return handle <= kFirstMemoryHandle;
}

OpenInMemory& slotOf(std::intptr_t handle) {
  return openInMemorySlots[static_cast<std::size_t>(kFirstMemoryHandle - handle)];
}

// Beside the files in memory only modules, which the system loads from the
// disk, are looked for there: a lookup on the disk costs the fast tests more
// than everything else a Load does.
bool onDisk(const std::string& path) {
  return path.ends_with(libraryFileExtension()) && native::fileExists(path);
}

bool openInMemory(MemoryFiles& files, const std::string& path, SharedFile::Start start) {
  const auto found = files.byPath.find(path);
  if (start == SharedFile::Start::New && (found != files.byPath.end() || onDisk(path))) {
    return false;
  }
  if (found == files.byPath.end()) {
    std::string bytes;
    if (!files.spare.empty()) {
      bytes = std::move(files.spare.back());
      files.spare.pop_back();
    }
    files.byPath.emplace(path, std::move(bytes));
  } else if (start == SharedFile::Start::Empty) {
    found->second.clear();
  }
  return true;
}

bool takeFault(int& count) {
  if (count <= 0) return false;
  --count;
  return true;
}

}  // namespace

void MemoryFiles::clear() {
  // A log and its recording for each of a few plug-ins.
  constexpr std::size_t kKept = 16;
  for (auto& [path, bytes] : byPath) {
    bytes.clear();
    spare.push_back(std::move(bytes));
  }
  byPath.clear();
  // The largest last, where a new file takes one from.
  std::sort(spare.begin(), spare.end(),
            [](const std::string& a, const std::string& b) { return a.capacity() < b.capacity(); });
  if (spare.size() > kKept) spare.erase(spare.begin(), spare.end() - kKept);
}

FileFaults injectFileFaults(const FileFaults& faults) {
  const FileFaults left = pendingFaults;
  pendingFaults = faults;
  return left;
}

MemoryFiles* useMemoryFiles(MemoryFiles* files) {
  MemoryFiles* before = memoryFiles;
  memoryFiles = files;
  return before;
}

void useSteadyClock(SteadyClockReading now) {
  readSteadyClock = now != nullptr ? now : &std::chrono::steady_clock::now;
}

std::chrono::steady_clock::time_point steadyNow() {
  return readSteadyClock();
}

std::optional<std::string> readFile(const std::string& path) {
  if (memoryFiles == nullptr) return native::readFile(path);
  const auto found = memoryFiles->byPath.find(path);
  if (found == memoryFiles->byPath.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit,
                                           std::string& refusal) {
  if (memoryFiles == nullptr) return native::readRegularFile(path, limit, refusal);
  const auto found = memoryFiles->byPath.find(path);
  if (found == memoryFiles->byPath.end()) return std::nullopt;
  if (found->second.size() <= limit) return found->second;
  refusal = "it holds more than " + std::to_string(limit) + " bytes";
  return std::nullopt;
}

void writeSmallFile(const std::string& path, std::string_view text, bool append) {
  if (memoryFiles == nullptr) return native::writeSmallFile(path, text, append);
  std::string& bytes = memoryFiles->byPath[path];
  if (!append) bytes.clear();
  bytes += text;
}

bool fileExists(const std::string& path) {
  if (memoryFiles != nullptr) return memoryFiles->byPath.contains(path) || onDisk(path);
  return native::fileExists(path);
}

bool removeFile(const std::string& path) {
  if (memoryFiles != nullptr) return memoryFiles->byPath.erase(path) > 0;
  return native::removeFile(path);
}

SharedFile SharedFile::open(const std::string& path, Start start) {
  if (takeFault(pendingFaults.failingOpens)) return {};
  if (memoryFiles != nullptr) {
    // The slot first: a file must not be emptied by an open that fails.
    const auto slot = std::find_if(openInMemorySlots.begin(), openInMemorySlots.end(),
                                   [](const OpenInMemory& file) { return !file.open; });
    if (slot == openInMemorySlots.end()) return {};
    slot->path = path;
    if (!openInMemory(*memoryFiles, path, start)) return {};
    slot->open = true;
    return SharedFile(kFirstMemoryHandle - (slot - openInMemorySlots.begin()));
  }
  const std::intptr_t handle = native::openFile(path, start);
  return handle < 0 ? SharedFile() : SharedFile(handle);
}

std::size_t SharedFile::write(const char* data, std::size_t size) {
  if (!isOpen()) return 0;
  if (takeFault(pendingFaults.failingWrites)) return 0;
  if (takeFault(pendingFaults.shortWrites)) size /= 2;
  if (inMemory(handle_)) {
    if (memoryFiles == nullptr) return size;
    const auto found = memoryFiles->byPath.find(slotOf(handle_).path);
    if (found == memoryFiles->byPath.end()) return size;
    // A system's write never throws: one that finds no memory refuses the
    // bytes, as a full disk does.
    try {
      found->second.append(data, size);
    } catch (const std::bad_alloc&) {
      return 0;
    }
    return size;
  }
  return native::writeFile(handle_, data, size);
}

bool SharedFile::close() {
  if (!isOpen()) return true;
  bool ok = true;
  if (inMemory(handle_)) {
    slotOf(handle_).open = false;
  } else {
    ok = native::closeFile(handle_);
  }
  handle_ = kClosed;
  return ok;
}

}  // namespace cablog::platform
