#include "tests/allocation/counting_allocator.h"

#include <cstdlib>
#include <new>

namespace cablog::testing {
namespace {

// The program's tests run on one thread; the count needs no atomics.
std::size_t allocations = 0;
std::size_t failIn = 0;
bool failing = false;  // every allocation after the one that failed fails too
bool failed = false;

void* allocate(std::size_t size) {
  ++allocations;
  if (failIn > 0 && --failIn == 0) {
    failed = true;
    if (failing) failIn = 1;
    return nullptr;
  }
  // malloc(0) may answer null; operator new may not.
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

std::size_t allocationCount() {
  return allocations;
}

std::size_t failAllocation(std::size_t n, bool lasting) {
  const std::size_t left = failIn;
  failIn = n;
  failing = lasting;
  failed = false;
  return left;
}

bool allocationFailed() {
  return failed;
}

}  // namespace cablog::testing

void* operator new(std::size_t size) {
  if (void* p = cablog::testing::allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return cablog::testing::allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return cablog::testing::allocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
