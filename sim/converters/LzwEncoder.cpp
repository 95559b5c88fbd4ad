#include "sim/converters/LzwEncoder.h"

#include <array>

namespace rc::sim::converters {

namespace {

constexpr std::uint32_t kTableSize = 4096;
constexpr std::uint32_t kNone = 0xFFFFFFFF;

// Codes out, least significant bit first, each as wide as a GIF decoder
// reads it: minCodeSize + 1 bits after a clear code, one more each time the
// codes read pass the next power of two, at most 12.
class CodeWriter {
 public:
  explicit CodeWriter(int minCodeSize) : minCodeSize_(minCodeSize), clear_(1u << minCodeSize) { restart(); }

  void put(std::uint32_t code) {
    buffer_ |= std::uint64_t{code} << count_;
    for (count_ += bits_; count_ >= 8; count_ -= 8, buffer_ >>= 8) out_.push_back(static_cast<std::uint8_t>(buffer_));
    if (code == clear_) return restart();
    if (running_ < kTableSize + 1 && ++running_ > limit_ && bits_ < 12) {
      limit_ <<= 1;
      ++bits_;
    }
  }

  // The bytes written, the last one padded with zero bits.
  std::vector<std::uint8_t> finish() {
    if (count_ > 0) out_.push_back(static_cast<std::uint8_t>(buffer_));
    return std::move(out_);
  }

 private:
  void restart() {
    bits_ = minCodeSize_ + 1;
    limit_ = 1u << bits_;
    running_ = clear_ + 2;
  }

  int minCodeSize_;
  std::uint32_t clear_;
  int bits_ = 0;
  std::uint32_t limit_ = 0, running_ = 0;
  std::uint64_t buffer_ = 0;
  int count_ = 0;
  std::vector<std::uint8_t> out_;
};

// The codes of strings "prefix string + one index", open addressing; the
// table holds at most 4096 strings in 8192 slots.
class StringTable {
 public:
  StringTable() { clear(); }
  void clear() { keys_.fill(kNone); }

  // The code of `prefix` followed by `index`; kNone when it has none.
  std::uint32_t find(std::uint32_t prefix, std::uint8_t index) const {
    const std::uint32_t key = prefix << 8 | index;
    for (std::size_t s = slotOf(key);; s = (s + 1) % kSlots) {
      if (keys_[s] == key) return codes_[s];
      if (keys_[s] == kNone) return kNone;
    }
  }

  void add(std::uint32_t prefix, std::uint8_t index, std::uint32_t code) {
    const std::uint32_t key = prefix << 8 | index;
    std::size_t s = slotOf(key);
    while (keys_[s] != kNone) s = (s + 1) % kSlots;
    keys_[s] = key;
    codes_[s] = static_cast<std::uint16_t>(code);
  }

 private:
  static constexpr std::size_t kSlots = 8192;
  static std::size_t slotOf(std::uint32_t key) { return (key * 0x9E3779B1u) >> 19; }

  std::array<std::uint32_t, kSlots> keys_;
  std::array<std::uint16_t, kSlots> codes_{};
};

}  // namespace

std::vector<std::uint8_t> encodeLzw(std::span<const std::uint8_t> indices, int minCodeSize) {
  const std::uint32_t clear = 1u << minCodeSize, end = clear + 1;
  CodeWriter out(minCodeSize);
  StringTable table;
  // runs[c][k - 1] is the code of k pixels of index c. Runs are only ever
  // made one longer than the longest known, so they are all there from 1 up.
  std::vector<std::vector<std::uint16_t>> runs(clear);
  std::uint32_t next = 0;
  auto restart = [&] {
    table.clear();
    for (std::uint32_t c = 0; c < clear; ++c) runs[c].assign(1, static_cast<std::uint16_t>(c));
    next = end + 1;
  };
  // Sends `code`; `define` gives the string it stands for, followed by the
  // next index, the next free code. A full table is cleared.
  auto send = [&](std::uint32_t code, auto define) {
    out.put(code);
    if (next < kTableSize) define(next++);
    if (next == kTableSize) {
      out.put(clear);
      restart();
    }
  };
  out.put(clear);
  restart();
  const std::uint8_t* p = indices.data();
  const std::size_t n = indices.size();
  std::uint32_t w = p[0];           // the code of the string being matched
  std::size_t runLength = 1;        // w is runLength pixels of runIndex, or 0
  std::uint8_t runIndex = p[0];
  for (std::size_t i = 1; i < n;) {
    const std::uint8_t c = p[i];
    if (runLength > 0 && runIndex == c) {
      std::size_t ahead = 1;
      while (i + ahead < n && p[i + ahead] == c) ++ahead;
      for (;;) {
        std::vector<std::uint16_t>& known = runs[c];
        const std::size_t longest = known.size();
        if (runLength + ahead <= longest) {
          runLength += ahead;
          w = known[runLength - 1];
          i += ahead;
          break;
        }
        // The longest known run is matched; it is sent and one longer defined.
        const std::size_t step = longest - runLength;
        i += step;
        ahead -= step;
        send(known[longest - 1], [&](std::uint32_t code) { known.push_back(static_cast<std::uint16_t>(code)); });
        w = c;
        runLength = 1;
        ++i;
        if (--ahead == 0) break;
      }
      continue;
    }
    if (const std::uint32_t found = table.find(w, c); found != kNone) {
      w = found;
      runLength = 0;
      ++i;
      continue;
    }
    send(w, [&](std::uint32_t code) { table.add(w, c, code); });
    w = c;
    runLength = 1;
    runIndex = c;
    ++i;
  }
  out.put(w);
  out.put(end);
  return out.finish();
}

}  // namespace rc::sim::converters
