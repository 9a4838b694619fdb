#include "allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {

std::uint64_t allocations = 0;

void* allocate(std::size_t size) {
  ++allocations;
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

std::uint64_t allocationCount() { return allocations; }

// Out of memory ends a benchmark run; the plug-in's own `new (std::nothrow)`
// gets nullptr instead.
void* operator new(std::size_t size) {
  void* block = allocate(size);
  if (block == nullptr) std::abort();
  return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
