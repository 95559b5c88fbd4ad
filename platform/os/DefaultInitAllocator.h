// An allocator whose construction without a value leaves a trivial element
// as it is: a buffer that is about to be written whole (a picture, a DIB) is
// not zeroed first. Construction with a value behaves as std::allocator's.
#pragma once

#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace rc::platform {

template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
  using value_type = T;
  template <typename U>
  struct rebind {
    using other = DefaultInitAllocator<U>;
  };

  DefaultInitAllocator() = default;
  template <typename U>
  DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}

  template <typename U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

template <typename T, typename U>
bool operator==(const DefaultInitAllocator<T>&, const DefaultInitAllocator<U>&) {
  return true;
}

}  // namespace rc::platform
