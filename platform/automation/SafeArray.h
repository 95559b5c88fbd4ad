// SafeArray: an automation array of any number of dimensions, each with its
// own lower bound. Elements are stored with the first index varying fastest.
// Byte arrays keep their elements as raw bytes (pixel arrays are large);
// every other element type keeps Variants converted to that type.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "platform/automation/Variant.h"
#include "platform/os/DefaultInitAllocator.h"

namespace rc::automation {

// Arrays nest (a Variant array may hold arrays, which may hold arrays) at
// most this deep; every conversion refuses deeper nesting with Type
// mismatch (13) instead of recursing without bound.
inline constexpr int kMaxArrayNesting = 16;

// The element count of one array, and of each dimension, fits a Long; a
// larger array is refused with Overflow (6).
inline constexpr std::int64_t kMaxArrayElements = std::numeric_limits<std::int32_t>::max();

struct Bound {
  std::int32_t lower = 0;
  std::int32_t count = 0;  // number of elements; upper bound is lower + count - 1
  std::int32_t upper() const { return static_cast<std::int32_t>(std::int64_t{lower} + count - 1); }
};

class SafeArray {
 public:
  SafeArray() = default;
  // An array of `element` type with the given bounds (all elements start as
  // the type's zero value; Variant arrays start Empty). A negative count is
  // 9; an upper bound or element count beyond 32 bits is 6; storage that
  // cannot be had is 7.
  SafeArray(VarType element, std::vector<Bound> bounds);

  // A zero-based one-dimensional array holding `items` (converted to `element`).
  static SafeArray vector(VarType element, std::vector<Variant> items);
  static SafeArray strings(const std::vector<std::string>& items);
  // A Byte array of the given bounds whose bytes `write` sets, every one of
  // them, without their being zeroed first; when `write` answers false the
  // bytes are zeroed after all. Errors as the constructor's.
  static SafeArray writtenBytes(std::vector<Bound> bounds, const std::function<bool(std::span<std::uint8_t>)>& write);

  VarType elementType() const { return element_; }
  int dimensions() const { return static_cast<int>(bounds_.size()); }
  const std::vector<Bound>& bounds() const { return bounds_; }
  // LBound/UBound of dimension `dim` (1-based, as the functions take it); 9 if out of range.
  std::int32_t lbound(int dim = 1) const;
  std::int32_t ubound(int dim = 1) const;
  std::size_t size() const;

  // Element access by indices within the array's own bounds; 9 when out of range.
  Variant get(std::span<const std::int32_t> indices) const;
  void set(std::span<const std::int32_t> indices, const Variant& value);
  Variant get(std::initializer_list<std::int32_t> indices) const { return get(std::span(indices.begin(), indices.size())); }
  void set(std::initializer_list<std::int32_t> indices, const Variant& v) { set(std::span(indices.begin(), indices.size()), v); }

  // Element access by flat position (0 .. size()-1). Storing an array
  // that would nest deeper than kMaxArrayNesting is 13.
  Variant at(std::size_t flat) const;
  void setAt(std::size_t flat, const Variant& value);

  // The raw bytes of a Byte array (empty span for other types).
  std::span<std::uint8_t> bytes() { return bytes_; }
  std::span<const std::uint8_t> bytes() const { return bytes_; }

  // ReDim Preserve of the last dimension.
  void resizeLast(std::int32_t count);

  // Elements of a one-dimensional array, in order.
  std::vector<Variant> items() const;

  friend bool operator==(const SafeArray& a, const SafeArray& b);

  // How deep arrays nest in this one: 1 when no element is an array.
  int nesting() const;

 private:
  std::size_t flatIndex(std::span<const std::int32_t> indices) const;
  // Sizes the storage to the bounds; new bytes are zeroed unless `zeroBytes` is false.
  void allocate(bool zeroBytes = true);

  VarType element_ = VarType::Variant;
  std::vector<Bound> bounds_;
  std::vector<Variant> values_;
  std::vector<std::uint8_t, platform::DefaultInitAllocator<std::uint8_t>> bytes_;
};

}  // namespace rc::automation
