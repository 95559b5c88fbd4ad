// Word-at-a-time scanning of data-file lines: the common prefix of two
// lines, the plain decimal numbers in them, and the item-by-item agreement
// of two lines.
//
// The routines here may read up to 32 bytes past the end of the text they are
// given (never using them); callers pass lines whose memory extends that
// far, as LineReader's lines do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "Core/properties/Comparison.h"

namespace rc::core {

// The length of the longest common prefix of the `n` bytes at a and at b.
std::size_t commonPrefix(const char* a, const char* b, std::size_t n);

// Reads a plain decimal ([sign] digits [. digits] [e [sign] digits]) at p,
// stopping at the first byte that cannot continue it or at `end`. Answers
// where it stopped, with the value in `out`, when the number is read
// exactly as the general leading-number reading would read it (at most 19
// digits that fit a double exactly, a power of ten within 22); nullptr
// otherwise, for the general reading to take over.
const char* readPlainDecimal(const char* p, const char* end, double& out);

// The tolerance of one file comparison, read when first needed (reading
// it may raise, and identical files never need it).
class LazyTolerance {
 public:
  explicit LazyTolerance(const automation::Variant& value) : value_(value) {}
  const Tolerance& get() {
    if (!parsed_) parse();
    return tolerance_;
  }
  // The least value the leading digits that two short decimals share must
  // have for the numbers to agree whatever their other digits; never 0.
  std::uint64_t agreeingPrefix() {
    if (!parsed_) parse();
    return agreeingPrefix_;
  }

 private:
  void parse();

  // Beyond any eight digits.
  static constexpr std::uint64_t kNoPrefix = 1000000000;

  const automation::Variant& value_;
  Tolerance tolerance_;
  std::uint64_t agreeingPrefix_ = kNoPrefix;
  bool parsed_ = false;
};

// Whether two lines agree item by item (items are split at every single
// space; the baseline's number first). An empty line has no items, so an
// empty baseline line agrees with anything; a baseline item without a
// partner in the new line raises 9. Equal stretches are passed over a word
// at a time, and only the items in which the lines differ are read. Both
// lines must be readable 32 bytes past their ends (as LineReader's are).
// `knownSame`, when given, is the length of the lines' common prefix.
bool linesAgree(std::string_view baseline, std::string_view fresh, LazyTolerance& tolerance,
                std::size_t knownSame = std::string_view::npos);

// What a pass over held line pairs found: how many agreed and the bytes
// they took in each text; then whether the pair after them changed (its
// lines given), or else that it reaches past the texts.
struct HeldLines {
  std::size_t agreed = 0;
  std::size_t baseBytes = 0, newBytes = 0;
  bool changed = false;
  std::string_view baseLine, newLine;
};

// Compares the line pairs at the starts of `base` and `fresh` (a line
// reader's held bytes: line ends CR LF, LF or CR, 32 readable bytes after
// each) in one pass while both lines of a pair and their ends lie within
// them, by linesAgree(). Both texts are scanned together: equal bytes and
// line ends are found sixteen bytes at a time, and only lines that differ
// are split into items.
HeldLines compareHeldLines(std::string_view base, std::string_view fresh, LazyTolerance& tolerance);

}  // namespace rc::core
