#include "platform/os/PictureMemory.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <mutex>

namespace rc::platform {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t roundedUp(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

// Buffers given back, kept for the next picture of the same size: a
// process that handles picture after picture (a check run's worker, one
// view per document) reuses pages already faulted in instead of having
// the system clear fresh ones each time. At most kKeptBuffers of them and
// kKeptBytes in all; the oldest goes first.
constexpr std::size_t kKeptBuffers = 8;
constexpr std::size_t kKeptBytes = std::size_t{128} << 20;

class KeptBuffers {
 public:
  // A kept buffer of `size` bytes, taken out of the table; nullptr when none.
  void* take(std::size_t size) {
    std::lock_guard lock(mutex_);
    for (std::size_t i = count_; i-- > 0;) {
      if (kept_[i].size != size) continue;
      void* start = kept_[i].start;
      removeAt(i);
      return start;
    }
    return nullptr;
  }
  // Keeps `start` (of `size` bytes); the oldest kept go back to the system
  // while the limits are passed.
  void give(void* start, std::size_t size) noexcept {
    std::lock_guard lock(mutex_);
    if (size > kKeptBytes) {
      ::munmap(start, size);
      return;
    }
    while (count_ == kKeptBuffers || bytes_ + size > kKeptBytes) {
      ::munmap(kept_[0].start, kept_[0].size);
      removeAt(0);
    }
    kept_[count_++] = {start, size};
    bytes_ += size;
  }

 private:
  struct Buffer {
    void* start;
    std::size_t size;  // rounded up
  };
  void removeAt(std::size_t i) {
    bytes_ -= kept_[i].size;
    std::move(kept_.begin() + i + 1, kept_.begin() + count_, kept_.begin() + i);
    --count_;
  }

  std::mutex mutex_;
  std::array<Buffer, kKeptBuffers> kept_{};  // oldest first
  std::size_t count_ = 0;
  std::size_t bytes_ = 0;
};

// The process's kept buffers; never destroyed, so a picture freed during
// exit still finds it.
KeptBuffers& keptBuffers() {
  static KeptBuffers* kept = new KeptBuffers;
  return *kept;
}

}  // namespace

void* largeBuffer(std::size_t bytes) {
  if (bytes > (std::size_t{1} << 46)) throw std::bad_alloc();
  const std::size_t size = roundedUp(bytes);
  if (void* kept = keptBuffers().take(size)) return kept;
  // Mapped one huge page larger, then trimmed to a 2 MiB boundary at both
  // ends, so every page of the buffer could be a huge one.
  void* mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) ::munmap(mapped, aligned - start);
  const std::size_t tail = start + size + kHugePage - (aligned + size);
  if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + size), tail);
  // Not advised as huge pages: with the usual setting the system then
  // compacts memory to find them at the first touch, which a check run on a
  // disk, its memory full of cached files, paid for in system time (1.2x the
  // run's processor time against small pages). Where the system backs all
  // memory with huge pages, the alignment lets it.
  return reinterpret_cast<void*>(aligned);
}

void releaseLargeBuffer(void* buffer, std::size_t bytes) noexcept {
  if (buffer) keptBuffers().give(buffer, roundedUp(bytes));
}

}  // namespace rc::platform
