#include "platform/automation/SafeArray.h"

#include <algorithm>
#include <limits>
#include <new>
#include <stdexcept>

#include "platform/automation/Error.h"

namespace rc::automation {

namespace {

// The element count of `bounds`; 9 for a negative count, 6 when an upper
// bound or the count leaves 32 bits.
std::size_t totalCount(const std::vector<Bound>& bounds) {
  if (bounds.empty()) return 0;
  std::int64_t n = 1;
  for (const Bound& b : bounds) {
    if (b.count < 0) raise(err::SubscriptOutOfRange);
    if (std::int64_t{b.lower} + b.count - 1 > std::numeric_limits<std::int32_t>::max()) raise(err::Overflow);
    n *= b.count;
    if (n > kMaxArrayElements) raise(err::Overflow);
  }
  return static_cast<std::size_t>(n);
}

Variant zeroOf(VarType t) {
  switch (t) {
    case VarType::Variant: return Variant();
    case VarType::String: return Variant(std::string());
    case VarType::Object: return Variant::nothing();
    default: return Variant(0).convertTo(t);
  }
}

}  // namespace

SafeArray::SafeArray(VarType element, std::vector<Bound> bounds)
    : element_(element), bounds_(std::move(bounds)) {
  allocate();
}

// Sizes the storage to the bounds, keeping the elements already there and
// zeroing the new ones (new bytes only when `zeroBytes`).
void SafeArray::allocate(bool zeroBytes) {
  std::size_t n = totalCount(bounds_);
  try {
    if (element_ == VarType::Byte) {
      if (zeroBytes)
        bytes_.resize(n, 0);
      else
        bytes_.resize(n);
    } else {
      values_.resize(n, zeroOf(element_));
    }
  } catch (const std::bad_alloc&) {
    raise(err::OutOfMemory);
  } catch (const std::length_error&) {
    raise(err::OutOfMemory);
  }
}

SafeArray SafeArray::writtenBytes(std::vector<Bound> bounds, const std::function<bool(std::span<std::uint8_t>)>& write) {
  SafeArray a;
  a.element_ = VarType::Byte;
  a.bounds_ = std::move(bounds);
  a.allocate(false);
  if (!write(a.bytes_)) std::fill(a.bytes_.begin(), a.bytes_.end(), std::uint8_t{0});
  return a;
}

SafeArray SafeArray::vector(VarType element, std::vector<Variant> items) {
  if (items.size() > kMaxArrayElements) raise(err::Overflow);
  SafeArray a(element, {Bound{0, static_cast<std::int32_t>(items.size())}});
  for (std::size_t i = 0; i < items.size(); ++i) a.setAt(i, items[i]);
  return a;
}

SafeArray SafeArray::strings(const std::vector<std::string>& items) {
  if (items.size() > kMaxArrayElements) raise(err::Overflow);
  SafeArray a(VarType::String, {Bound{0, static_cast<std::int32_t>(items.size())}});
  for (std::size_t i = 0; i < items.size(); ++i) a.values_[i] = Variant(items[i]);
  return a;
}

std::int32_t SafeArray::lbound(int dim) const {
  if (dim < 1 || dim > dimensions()) raise(err::SubscriptOutOfRange);
  return bounds_[dim - 1].lower;
}

std::int32_t SafeArray::ubound(int dim) const {
  if (dim < 1 || dim > dimensions()) raise(err::SubscriptOutOfRange);
  return bounds_[dim - 1].upper();
}

std::size_t SafeArray::size() const {
  return element_ == VarType::Byte ? bytes_.size() : values_.size();
}

std::size_t SafeArray::flatIndex(std::span<const std::int32_t> indices) const {
  if (indices.size() != bounds_.size()) raise(err::SubscriptOutOfRange);
  std::size_t flat = 0;
  std::size_t stride = 1;
  for (std::size_t d = 0; d < bounds_.size(); ++d) {
    std::int64_t off = static_cast<std::int64_t>(indices[d]) - bounds_[d].lower;
    if (off < 0 || off >= bounds_[d].count) raise(err::SubscriptOutOfRange);
    flat += static_cast<std::size_t>(off) * stride;
    stride *= static_cast<std::size_t>(bounds_[d].count);
  }
  return flat;
}

Variant SafeArray::get(std::span<const std::int32_t> indices) const { return at(flatIndex(indices)); }

void SafeArray::set(std::span<const std::int32_t> indices, const Variant& value) {
  setAt(flatIndex(indices), value);
}

Variant SafeArray::at(std::size_t flat) const {
  if (flat >= size()) raise(err::SubscriptOutOfRange);
  if (element_ == VarType::Byte) return Variant(bytes_[flat]);
  return values_[flat];
}

void SafeArray::setAt(std::size_t flat, const Variant& value) {
  if (flat >= size()) raise(err::SubscriptOutOfRange);
  if (element_ == VarType::Byte) {
    bytes_[flat] = value.toByte();
    return;
  }
  if (value.isArray() && value.asArray().nesting() >= kMaxArrayNesting) raise(err::TypeMismatch);
  values_[flat] = value.convertTo(element_);
}

void SafeArray::resizeLast(std::int32_t count) {
  if (bounds_.empty() || count < 0) raise(err::SubscriptOutOfRange);
  Bound before = bounds_.back();
  bounds_.back().count = count;
  try {
    allocate();
  } catch (const AutomationError&) {
    bounds_.back() = before;
    throw;
  }
}

int SafeArray::nesting() const {
  int deepest = 0;
  for (const Variant& v : values_)
    if (v.isArray()) deepest = std::max(deepest, v.asArray().nesting());
  return deepest + 1;
}

std::vector<Variant> SafeArray::items() const {
  std::vector<Variant> out;
  out.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) out.push_back(at(i));
  return out;
}

bool operator==(const SafeArray& a, const SafeArray& b) {
  if (a.element_ != b.element_ || a.bounds_.size() != b.bounds_.size()) return false;
  for (std::size_t d = 0; d < a.bounds_.size(); ++d) {
    if (a.bounds_[d].lower != b.bounds_[d].lower || a.bounds_[d].count != b.bounds_[d].count) return false;
  }
  return a.values_ == b.values_ && a.bytes_ == b.bytes_;
}

}  // namespace rc::automation
