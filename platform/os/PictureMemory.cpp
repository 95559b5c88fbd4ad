#include "platform/os/PictureMemory.h"

#include <sys/mman.h>

#include <cstdint>

namespace rc::platform {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t roundedUp(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* largeBuffer(std::size_t bytes) {
  if (bytes > (std::size_t{1} << 46)) throw std::bad_alloc();
  const std::size_t size = roundedUp(bytes);
  // Mapped one huge page larger, then trimmed to a 2 MiB boundary at both
  // ends, so every page of the buffer can be a huge one.
  void* mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) ::munmap(mapped, aligned - start);
  const std::size_t tail = start + size + kHugePage - (aligned + size);
  if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + size), tail);
  // Only advice: where huge pages are off or short, small pages serve.
  ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

void releaseLargeBuffer(void* buffer, std::size_t bytes) noexcept {
  if (buffer) ::munmap(buffer, roundedUp(bytes));
}

}  // namespace rc::platform
