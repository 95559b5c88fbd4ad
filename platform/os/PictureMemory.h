// Memory for large pictures: buffers of a few megabytes and more that are
// written whole right after they are made (a decoded picture, a difference
// image). They come straight from the system, aligned to 2 MiB; one given
// back is kept for the next picture of its size, so a run of pictures
// reuses pages already faulted in; and an element made without a value is
// left as it is, so a buffer about to be written whole is not zeroed first
// by the program (the system hands out cleared pages anyway).
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace rc::platform {

// Buffers at least this large come from largeBuffer; smaller ones from the heap.
inline constexpr std::size_t kLargeBufferBytes = std::size_t{2} << 20;

// `bytes` (at least kLargeBufferBytes) of memory aligned to 2 MiB: a
// buffer of that size given back earlier (its old content still in it), or
// fresh zeroed memory. The caller fills it. Throws
// std::bad_alloc when there is none.
void* largeBuffer(std::size_t bytes);
// Gives back a buffer of largeBuffer(bytes).
void releaseLargeBuffer(void* buffer, std::size_t bytes) noexcept;

template <typename T>
struct PictureAllocator {
  static_assert(std::is_trivial_v<T>, "pictures hold plain values");
  using value_type = T;

  PictureAllocator() = default;
  template <typename U>
  PictureAllocator(const PictureAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    const std::size_t bytes = n * sizeof(T);
    if (bytes >= kLargeBufferBytes) return static_cast<T*>(largeBuffer(bytes));
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* p, std::size_t n) noexcept {
    const std::size_t bytes = n * sizeof(T);
    if (bytes >= kLargeBufferBytes)
      releaseLargeBuffer(p, bytes);
    else
      std::allocator<T>().deallocate(p, n);
  }

  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

template <typename T, typename U>
bool operator==(const PictureAllocator<T>&, const PictureAllocator<U>&) {
  return true;
}

}  // namespace rc::platform
