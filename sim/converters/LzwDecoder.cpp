#include "sim/converters/LzwDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace rc::sim::converters {

namespace {

constexpr int kMaxBits = 12;
constexpr std::uint32_t kTableSize = 1u << kMaxBits;

// Codes of up to 12 bits, least significant bit first, across the data.
class CodeReader {
 public:
  explicit CodeReader(std::span<const std::uint8_t> data) : data_(data) {}

  // The next code of `bits` bits; false when the data ends first.
  bool next(int bits, std::uint32_t& code) {
    if (count_ < bits) {
      refill();
      if (count_ < bits) return false;
    }
    code = static_cast<std::uint32_t>(buffer_) & ((1u << bits) - 1);
    buffer_ >>= bits;
    count_ -= bits;
    return true;
  }

 private:
  // Tops the buffer up to at least 56 bits, or to what the data has left.
  void refill() {
    if (data_.size() - at_ >= 8 && count_ <= 56) {
      std::uint64_t word;
      std::memcpy(&word, data_.data() + at_, 8);
      const int take = (63 - count_) / 8;  // whole bytes that fit, at most 7
      buffer_ |= (word & ((std::uint64_t{1} << (take * 8)) - 1)) << count_;
      at_ += static_cast<std::size_t>(take);
      count_ += take * 8;
      return;
    }
    while (count_ <= 56 && at_ < data_.size()) {
      buffer_ |= std::uint64_t{data_[at_++]} << count_;
      count_ += 8;
    }
  }

  std::span<const std::uint8_t> data_;
  std::size_t at_ = 0;
  std::uint64_t buffer_ = 0;
  int count_ = 0;
};

// Where a code's string was first written in the output, and its length.
struct Entry {
  std::uint32_t at = 0;
  std::uint32_t length = 0;
};

}  // namespace

bool decodeLzw(std::span<const std::uint8_t> data, int minCodeSize, std::span<std::uint8_t> out) {
  if (minCodeSize < 1 || minCodeSize > 8) return false;
  const std::uint32_t clear = 1u << minCodeSize, end = clear + 1;
  // `running` counts codes the way a GIF decoder's width rule needs: one
  // past the next free slot, the width growing when it passes 2^bits.
  std::uint32_t running = end + 1, limit = 1u << (minCodeSize + 1);
  int bits = minCodeSize + 1;
  bool havePrevious = false;
  Entry previous;
  std::array<Entry, kTableSize> table{};
  std::array<bool, kTableSize> defined{};
  CodeReader reader(data);
  std::uint8_t* const o = out.data();
  const std::size_t size = out.size();
  std::size_t at = 0;
  while (at < size) {
    std::uint32_t code = 0;
    if (!reader.next(bits, code)) return false;
    if (running < kTableSize + 1 && ++running > limit && bits < kMaxBits) {
      limit <<= 1;
      ++bits;
    }
    if (code == clear) {
      running = end + 1;
      bits = minCodeSize + 1;
      limit = 1u << bits;
      havePrevious = false;
      std::fill(defined.begin(), defined.end(), false);
      continue;
    }
    if (code == end) return false;
    const std::uint32_t slot = running - 2;  // the slot this code defines, at most 4095
    const bool addsEntry = havePrevious && !defined[slot];
    Entry current;
    if (code < clear) {
      o[at] = static_cast<std::uint8_t>(code);
      current = {static_cast<std::uint32_t>(at), 1};
    } else if (defined[code]) {
      current = table[code];
      const std::size_t n = std::min<std::size_t>(current.length, size - at);
      std::memcpy(o + at, o + current.at, n);
      current.at = static_cast<std::uint32_t>(at);
    } else if (addsEntry && code == slot) {
      // The string being defined: the previous one and its own first index.
      const std::size_t n = std::min<std::size_t>(previous.length, size - at);
      std::memcpy(o + at, o + previous.at, n);
      if (previous.length < size - at) o[at + previous.length] = o[previous.at];
      current = {static_cast<std::uint32_t>(at), previous.length + 1};
    } else {
      return false;
    }
    if (addsEntry) {
      table[slot] = {previous.at, previous.length + 1};
      defined[slot] = true;
    }
    at += std::min<std::size_t>(current.length, size - at);
    previous = current;
    havePrevious = true;
  }
  return true;
}

}  // namespace rc::sim::converters
